#include "support/process.h"

#include "support/demo_folder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

ChildProcess startProcess(const std::vector<std::string>& argv, const std::string& workDir,
                          const std::vector<std::string>& env) {
    ChildProcess child;
    char pattern[] = "/tmp/brumelt-stderr-XXXXXX";
    int fd = mkstemp(pattern);
    if (fd < 0) return child;
    child.stderrPath = pattern;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, 2);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        if (chdir(workDir.c_str()) != 0) _exit(127);
        // The demo programs load the GL driver, whose modules the sanitizer runtime allocates for
        // in ways LeakSanitizer cannot attribute (reports end in unnamed modules), so sanitizer
        // builds check those runs for memory errors only; our own code's leaks are checked by
        // the in-process tests.
        std::string program = argv.empty() ? "" : argv[0];
        if (program.ends_with("/brumelt") || program.ends_with("/brumelt-capture") ||
            program.ends_with("/brumelt-studio")) {
            const char* options = getenv("ASAN_OPTIONS");
            std::string merged = options && *options ? std::string(options) + ":" : "";
            setenv("ASAN_OPTIONS", (merged + "detect_leaks=0").c_str(), 1);
        }
        for (const std::string& entry : env) {
            size_t eq = entry.find('=');
            std::string name = entry.substr(0, eq);
            std::string value = eq == std::string::npos ? "" : entry.substr(eq + 1);
            if (value.empty())
                unsetenv(name.c_str());
            else
                setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(fd);
    child.pid = pid;
    return child;
}

int waitProcess(ChildProcess& child, double seconds) {
    if (child.pid <= 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        int status = 0;
        pid_t done = waitpid(child.pid, &status, WNOHANG);
        if (done == child.pid) {
            child.pid = -1;
            if (WIFEXITED(status)) return WEXITSTATUS(status);
            return 1000 + WTERMSIG(status);
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child.pid, SIGKILL);
            waitpid(child.pid, &status, 0);
            child.pid = -1;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool processRunning(const ChildProcess& child) {
    if (child.pid <= 0) return false;
    siginfo_t info{};
    info.si_pid = 0;
    if (waitid(P_PID, child.pid, &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == 0;
}

std::string readStderr(const ChildProcess& child) {
    return readFileBytes(child.stderrPath);
}

std::string shellOutput(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        out.append(buf, n);
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}
