#pragma once
// The tests' stand-in for 7-Zip (fixtures/fake_archiver.c, next to the test programs) and the
// environment variables that steer it.
#include <optional>
#include <string>

#include "platform/fs.h"
#include "platform/process.h"

namespace vx::test {

inline std::string fake_archiver() { return process::companion_program("fake_archiver"); }

// Sets an environment variable for the life of the object, then puts the old value back.
class ScopedVariable {
public:
    ScopedVariable(std::string name, const std::optional<std::string>& value)
        : name_(std::move(name)), old_(fs::environment_variable(name_)) {
        process::set_environment_variable(name_, value);
    }
    ~ScopedVariable() { process::set_environment_variable(name_, old_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// What the fake archiver does when started next: "echo", "flood", "silent", "folder", "broken"
// or "hang" (see the fixture).
struct FakeMode : ScopedVariable {
    explicit FakeMode(const std::string& mode) : ScopedVariable("VX_FAKE_ARCHIVER", mode) {}
};

}  // namespace vx::test
