// Starting a helper program that sits beside the test executable, and the
// environment it inherits. Used for behaviour that is global to a process.
#pragma once

#include <string>
#include <vector>

namespace vup::test {

// Runs `program` (its name without ".exe") from the test executable's folder with
// `args` (plain words, no quotes), waits for it and returns its exit code; -1
// when it cannot be started.
int run_helper(const std::string& program, const std::vector<std::string>& args);

// Sets or removes a variable of this process's environment, which helpers inherit.
void set_environment(const std::string& name, const std::string& value);
void unset_environment(const std::string& name);

}  // namespace vup::test
