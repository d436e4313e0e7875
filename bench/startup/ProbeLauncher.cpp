#include "ProbeLauncher.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <sstream>

namespace {

// The child's side of the fork: its output into the pipe, then the probe in place of itself.
[[noreturn]] void ExecProbe(const std::filesystem::path& program,
                            const std::vector<std::string>& arguments,
                            const std::filesystem::path& workingDirectory, int outputFd) {
    if (::dup2(outputFd, STDOUT_FILENO) < 0 || ::chdir(workingDirectory.c_str()) != 0) ::_exit(127);
    std::vector<char*> argv;
    std::string name = program.string();
    argv.push_back(name.data());
    std::vector<std::string> copies(arguments);
    for (std::string& argument : copies) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv(name.c_str(), argv.data());
    ::_exit(127);
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    return text;
}

std::map<std::string, long long> ParseFigures(const std::string& output) {
    std::map<std::string, long long> figures;
    std::istringstream lines(output);
    std::string name;
    long long value = 0;
    while (lines >> name >> value) figures[name] = value;
    return figures;
}

}  // namespace

std::optional<ProbeRun> LaunchProbe(const std::filesystem::path& program,
                                    const std::vector<std::string>& arguments,
                                    const std::filesystem::path& workingDirectory) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    const auto launched = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) ExecProbe(program, arguments, workingDirectory, pipeFds[1]);
    ::close(pipeFds[1]);
    if (pid < 0) {
        ::close(pipeFds[0]);
        return std::nullopt;
    }
    const std::string output = ReadAll(pipeFds[0]);
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;

    ProbeRun run;
    run.figures = ParseFigures(output);
    const auto painted = run.figures.find("first_paint_ns");
    if (painted == run.figures.end()) return std::nullopt;
    const auto launchedNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(launched.time_since_epoch()).count();
    run.secondsToFirstPaint = static_cast<double>(painted->second - launchedNs) * 1e-9;
    return run;
}
