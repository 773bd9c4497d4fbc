#include "scripted_context.h"

namespace vx::test {

namespace {

bool has_only_ok(std::uint32_t type) { return (type & 0xF) == mb::kOk; }

}  // namespace

Answer ScriptedContext::ask(const Message& message) {
    boxes.push_back(message);
    if (!stop_on_box_.empty() && message.text.find(stop_on_box_) != std::string::npos) {
        request_stop();
    }
    if (on_box) on_box(message);
    if (has_only_ok(message.type)) return Answer::ok;
    if (answers.empty()) return default_answer;
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

YesToAll ScriptedContext::ask_yes_to_all(const std::string& text, const std::string& caption) {
    prompts.push_back({text, caption});
    if (yes_to_all_answers.empty()) return default_yes_to_all;
    YesToAll a = yes_to_all_answers.front();
    yes_to_all_answers.pop_front();
    return a;
}

std::vector<std::string> ScriptedContext::box_texts() const {
    std::vector<std::string> texts;
    for (const auto& b : boxes) texts.push_back(b.text);
    return texts;
}

void ScriptedContext::show_text(const std::string& text) {
    reports.push_back({text, -1});
    reported();
}

void ScriptedContext::show_position(int percent) {
    reports.push_back({std::string(), percent});
    reported();
}

void ScriptedContext::reported() {
    if (stop_after_ != 0 && reports.size() >= stop_after_) request_stop();
}

}  // namespace vx::test
