#include "script_runner.h"

#include "base/log.h"
#include "formats/whole_file.h"
#include "picture.h"

#include <algorithm>
#include <chrono>
#include <thread>

int loadScriptRun(const char* path, ScriptRun* run) {
    std::string text, error;
    run->fileName = path;
    if (readWholeFile(path, &text, &error) || parseScript(path, text, &run->commands, &error)) {
        logMessage("script", "%s", error.c_str());
        return 1;
    }
    return 0;
}

static void failScript(Studio& studio, ScriptRun& run, const ScriptCommand& c,
                       const std::string& what) {
    logMessage("script", "%s:%d: %s", run.fileName.c_str(), c.line, what.c_str());
    run.status = exitScript;
    studio.quit = true;
}

// Replaces the first `from` in the file with `to`, writing the file in place.
static std::string editFile(const std::string& path, const std::string& from,
                            const std::string& to) {
    std::string text, error;
    if (readWholeFile(path.c_str(), &text, &error)) return error;
    const size_t at = text.find(from);
    if (at == std::string::npos) return path + ": does not hold the text to replace";
    text.replace(at, from.size(), to);
    std::string reason;
    return writeWholeFile(path.c_str(), text, reason) == fileWritten ? "" : path + ": cannot write";
}

static bool anyProblemHolds(const Studio& studio, const std::string& text) {
    for (const StudioProblem& p : studio.problems)
        if (p.text.find(text) != std::string::npos) return true;
    return false;
}

// Runs one command; false when it takes frames (the script goes on in a later frame).
static bool runCommand(Studio& studio, ScriptRun& run, const ScriptCommand& c) {
    double row = 0.0, end = 0.0;
    std::string error;
    switch (c.op) {
    case scriptSeek:
        if (parsePosition(c.args[0], studio.timeline, &row, &error)) {
            failScript(studio, run, c, error);
        } else {
            run.seekTime = studioClock();
            studioSeek(studio, row);
        }
        return true;
    case scriptPlay:
        studioSetPlaying(studio, true);
        run.framesLeft = int64_t(c.numbers[0]) - 1;
        return false;
    case scriptPause:
        studioSetPlaying(studio, false);
        return true;
    case scriptFrames:
        run.framesLeft = int64_t(c.numbers[0]) - 1;
        return false;
    case scriptWait:
        run.waitUntil = studioClock() + c.numbers[0];
        return false;
    case scriptStall:
        std::this_thread::sleep_for(std::chrono::duration<double>(c.numbers[0]));
        return true;
    case scriptMeasure:
        run.framesLeft = int64_t(c.numbers[0]) - 1;
        run.measuring = true;
        run.measureFrames = int64_t(c.numbers[0]);
        run.measureStart = studioClock();
        run.frameTimes.clear();
        return false;
    case scriptStill:
        if (studioWriteStill(studio, c.args[0].c_str())) failScript(studio, run, c, "still failed");
        return true;
    case scriptEdit:
        error = editFile(c.args[0], c.args[1], c.args[2]);
        if (!error.empty()) failScript(studio, run, c, error);
        run.editTime = studioClock();
        return true;
    case scriptWaitReload:
        run.waitingReload = true;
        run.reloadsAtWait = studio.reloadsDone;
        run.waitDeadline = studioClock() + c.numbers[0];
        return false;
    case scriptExpectError:
        if (!anyProblemHolds(studio, c.args[0]))
            failScript(studio, run, c,
                       "no problem on screen holds '" + c.args[0] + "' (" +
                           std::to_string(studio.problems.size()) + " shown)");
        return true;
    case scriptExpectNoError:
        if (!studio.problems.empty())
            failScript(studio, run, c, "a problem is on screen: " + studio.problems[0].text);
        return true;
    case scriptExpectRow:
        // Checked on the frame that is drawn next: the clock read now may still be past the
        // loop's end that the frame is brought back from.
        run.rowCheck = &c;
        return false;
    case scriptLoop:
        if (parsePosition(c.args[0], studio.timeline, &row, &error) ||
            parsePosition(c.args[1], studio.timeline, &end, &error))
            failScript(studio, run, c, error);
        else
            studio.loop = {row, end, true};
        return true;
    case scriptLoopOff:
        studio.loop.enabled = false;
        return true;
    case scriptScale:
        studio.scale = int32_t(c.numbers[0]);
        return true;
    case scriptOverlay:
        studio.overlay = c.numbers[0] != 0.0;
        return true;
    case scriptQuit:
        studio.quit = true;
        return true;
    }
    return true;
}

void stepScript(Studio& studio, ScriptRun& run) {
    if (run.framesLeft > 0) {
        --run.framesLeft;
        return;
    }
    if (run.measuring) {
        run.measuring = false;
        const double ms = (studioClock() - run.measureStart) * 1000.0 / double(run.measureFrames);
        // The median holds up better than the mean on a machine that other work shares.
        std::vector<double>& t = run.frameTimes;
        std::sort(t.begin(), t.end());
        const double median = t.empty() ? ms : t[t.size() / 2];
        logMessage(
            "measure", "%lld frames, %.2f ms a frame, median %.2f (overlay %s, scale 1/%d, %dx%d)",
            static_cast<long long>(run.measureFrames), ms, median, studio.overlay ? "on" : "off",
            studio.scale, studio.content->width, studio.content->height);
    }
    if (run.waitUntil > 0.0) {
        if (studioClock() < run.waitUntil) return;
        run.waitUntil = 0.0;
    }
    if (run.waitingReload) {
        if (studio.reloadsDone > run.reloadsAtWait)
            run.waitingReload = false;
        else if (studioClock() > run.waitDeadline)
            failScript(studio, run, run.commands[run.next - 1], "no reload came in time");
        else
            return;
    }
    while (!studio.quit && run.next < run.commands.size())
        if (!runCommand(studio, run, run.commands[run.next++])) return;
}

void scriptFramePresented(Studio& studio, ScriptRun& run, double row, double presented) {
    if (const ScriptCommand* c = run.rowCheck) {
        run.rowCheck = nullptr;
        if (row < c->numbers[0] || row > c->numbers[1])
            failScript(studio, run, *c,
                       "the row is " + std::to_string(row) + ", not in [" + c->args[0] + ", " +
                           c->args[1] + "]");
    }
    if (run.measuring) run.frameTimes.push_back(studio.frameMs);
    if (run.seekTime > 0.0) {
        logMessage("seek", "row %.2f: %.1f ms from seek to frame", row,
                   (presented - run.seekTime) * 1000.0);
        run.seekTime = -1.0;
    }
}
