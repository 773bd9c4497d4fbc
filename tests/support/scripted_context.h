#pragma once
// A worker context for tests: it records every report and box, answers questions from a script,
// and can ask for a stop after some reports or when a given box appears. Used from one thread.
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "worker/context.h"

namespace vx::test {

class ScriptedContext : public WorkerContext {
public:
    struct Report {
        std::string text;   // the status text; empty for a position report
        int position = -1;  // the 0-100 position; -1 for a text report
    };
    struct Prompt {
        std::string text;
        std::string caption;
    };

    // Answers for boxes with more than an OK button, taken in turn; then 'default_answer'. A box
    // with only an OK button is answered OK and takes nothing from the script.
    std::deque<Answer> answers;
    Answer default_answer = Answer::no;
    // Answers for the Yes / Yes to All / No prompt, taken in turn; then 'default_yes_to_all'.
    std::deque<YesToAll> yes_to_all_answers;
    YesToAll default_yes_to_all = YesToAll::no;

    // Called for every box before it is answered (to change the world between two attempts).
    std::function<void(const Message&)> on_box;

    // Sets the stop flag once 'n' reports (texts and positions together) have come in.
    void stop_after_reports(std::size_t n) { stop_after_ = n; }
    // Sets the stop flag when a box whose text contains 'part' is shown.
    void stop_on_box(const std::string& part) { stop_on_box_ = part; }

    Answer ask(const Message& message) override;
    YesToAll ask_yes_to_all(const std::string& text, const std::string& caption) override;

    std::vector<Report> reports;
    std::vector<Message> boxes;
    std::vector<Prompt> prompts;

    // The texts of the boxes, in order.
    std::vector<std::string> box_texts() const;

protected:
    void show_text(const std::string& text) override;
    void show_position(int percent) override;

private:
    void reported();

    std::size_t stop_after_ = 0;  // 0: never
    std::string stop_on_box_;
};

}  // namespace vx::test
