// Starts a start-up probe as a new process and collects what it reports.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct ProbeRun {
    // From the moment before the process was created to its first paint, in seconds.
    double secondsToFirstPaint = 0;
    // Every "name value" line the probe printed.
    std::map<std::string, long long> figures;
};

// Runs `program` with `arguments` in `workingDirectory` and waits for it to end; nothing when it
// could not start, ended with another status than 0, or reported no first paint.
std::optional<ProbeRun> LaunchProbe(const std::filesystem::path& program,
                                    const std::vector<std::string>& arguments,
                                    const std::filesystem::path& workingDirectory);
