#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Runs a program with extra environment variables and returns what it printed, or nothing when it failed
// or had not ended within the time allowed (it is then killed). Spawned without copying this process's
// memory, so a large benchmark process starts a child as quickly as a small one.
std::optional<std::string> runChild(const std::vector<std::string>& arguments,
                                    const std::vector<std::string>& extraEnvironment,
                                    std::chrono::milliseconds allowed);
