#!/usr/bin/env python3
"""Benchmarks of the browser build in headless Chromium (SwiftShader), as Markdown on stdout.

    web_bench.py --site build-web/site [--demo build/demo] [--seconds 15] [--frames 9]

- bytes transferred before the first frame, by file, and the time from Run to that frame
  (page served from 127.0.0.1, window 320 x 180);
- the clock: the music seconds each frame used against the page's clock (deviation p50, p99,
  max after removing the median offset, and the largest backward step), and the <audio>
  element's currentTime sampled every 4 ms beside it;
- frame cost in SwiftShader at 320 x 180 and 640 x 360 (frames drawn back to back, each waited
  for with a one-pixel read), and, with --demo, the desktop's bench_frame on the same rows and
  sizes (Mesa llvmpipe; needs an X display) in the same run.
Nothing is asserted: the numbers depend on the machine and its load.
"""
import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests",
                                "web"))
import cdp  # noqa: E402

ROWS = (800, 2300)  # a street of the main section; the logo over the climax's city
SIZES = ((320, 180), (640, 360))


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


def load(page, server, query, window=(1920, 1080)):
    page.send("Emulation.setDeviceMetricsOverride", {
        "width": window[0], "height": window[1], "deviceScaleFactor": 1, "mobile": False,
        "screenWidth": 1920, "screenHeight": 1080})
    page.navigate(server.url + "index.html" + query)
    return page.wait_for("window.brumeltPage && brumeltPage.state !== 'loading' && "
                         "brumeltPage.state", 120)


def show_run(page, server, seconds):
    server.clear()
    load(page, server, "", window=(320, 180))
    page.evaluate("document.getElementById('resolution').value = '320x180'")
    page.evaluate("""window.benchSamples = [];
        window.benchSampler = setInterval(() => benchSamples.push(
            [performance.now(), document.getElementById('music').currentTime]), 4);""")
    page.evaluate("document.getElementById('run').click()", user_gesture=True)
    page.wait_for("brumeltPage.firstFrameAt !== null", 120)
    first_frame_requests = list(server.requests)
    run_to_frame = page.evaluate("brumeltPage.firstFrameAt - brumeltPage.runAt")
    page.wait_for(f"brumeltPage.frames.length && brumeltPage.frames.at(-1)[1] > {seconds}",
                  seconds * 3 + 60)
    frames = page.evaluate("brumeltPage.frames")
    samples = page.evaluate("clearInterval(benchSampler), benchSamples")
    page.press_key("Escape", "Escape", 27)
    return first_frame_requests, run_to_frame, frames, samples


def clock_table(name, pairs):
    """pairs: (wall ms, music s); deviation once both have started moving."""
    moving = [p for p in pairs if p[1] > 0.2]
    offsets = [w / 1000.0 - s for w, s in moving]
    centre = statistics.median(offsets)
    deviation = [abs(o - centre) * 1000.0 for o in offsets]
    back = max([0.0] + [(a[1] - b[1]) * 1000.0 for a, b in zip(pairs, pairs[1:])])
    span = moving[-1][0] / 1000.0 - moving[0][0] / 1000.0
    rate = (moving[-1][1] - moving[0][1]) / span
    return (f"| {name} | {len(moving)} | {rate:.5f} | {percentile(deviation, 0.5):.2f} | "
            f"{percentile(deviation, 0.99):.2f} | {max(deviation):.2f} | {back:.3f} |")


def swiftshader_frames(page, server, frames):
    lines = []
    for width, height in SIZES:
        for row in ROWS:
            state = load(page, server, f"?row={row}&size={width}x{height}")
            if state != "still":
                lines.append(f"| {width}x{height} | {row} | failed: {state} |")
                continue
            page.evaluate(f"brumeltPage.benchFrames(2, {row})", timeout=300)
            costs = [page.evaluate(f"brumeltPage.benchFrames(1, {row})", timeout=300)
                     for _ in range(frames)]
            lines.append(f"| {width}x{height} | {row} | {statistics.median(costs):.1f} | "
                         f"{min(costs):.1f} | {max(costs):.1f} |")
    return lines


def llvmpipe_frames(demo, frames):
    program = os.path.abspath(os.path.join(demo, "..", "bench", "bench_frame"))
    if not os.path.exists(program):
        return [f"(no {program}: build the desktop benchmarks for the llvmpipe figures)"]
    command = [os.path.relpath(program, demo), "--frames", str(frames), "--warmup", "2",
               "--rows", ",".join(map(str, ROWS))] + [f"{w}x{h}" for w, h in SIZES]
    if not os.environ.get("DISPLAY"):
        command = ["xvfb-run", "-a", "-s", "-screen 0 1920x1080x24"] + command
    done = subprocess.run(command, cwd=demo, capture_output=True, text=True)
    if done.returncode != 0:
        return [f"(bench_frame failed: {done.stderr.strip()})"]
    # Its per-pass table only; the own-work section after it is the desktop benchmark's business.
    lines = ["```", "cd " + os.path.relpath(demo) + " && " + " ".join(command), "```", ""]
    for line in done.stdout.splitlines():
        if line.startswith("### "):
            break
        lines.append(line)
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--site", required=True)
    parser.add_argument("--demo", help="the desktop demo folder, for bench_frame beside it")
    parser.add_argument("--seconds", type=float, default=15.0)
    parser.add_argument("--frames", type=int, default=9)
    options = parser.parse_args()

    server = cdp.Server(options.site)
    browser = cdp.Browser()
    try:
        page = browser.new_page()
        requests, run_to_frame, frames, samples = show_run(page, server, options.seconds)
        out = ["## Browser build (headless Chromium, SwiftShader)", "",
               f"Measured {time.strftime('%Y-%m-%d %H:%M')} with `bench/web/web_bench.py`; load average "
               f"{os.getloadavg()[0]:.1f} on {os.cpu_count()} cores at the start.", "",
               "### Before the first frame (page from 127.0.0.1, 320 x 180)", "",
               "| file | bytes |", "|---|---|"]
        total = 0
        for path, sent, _ in requests:
            out.append(f"| {path} | {sent} |")
            total += sent
        out += [f"| **total** | **{total}** |", "",
                f"Run to first frame: {run_to_frame:.0f} ms.", "",
                f"### Clock over {options.seconds:.0f} s of the show", "",
                "| source | samples | rate | deviation p50 ms | p99 ms | max ms | "
                "largest backward step ms |", "|---|---|---|---|---|---|---|",
                clock_table("music seconds used by each frame", [(f[0], f[1]) for f in frames]),
                clock_table("`<audio>` currentTime every 4 ms", samples), "",
                "### Frame cost, ms (median, min, max)", "",
                "SwiftShader, each frame waited for with a one-pixel read:", "",
                "| size | row | median | min | max |", "|---|---|---|---|---|"]
        out += swiftshader_frames(page, server, options.frames)
        if options.demo:
            out += ["", "Desktop `bench_frame` on Mesa llvmpipe, same rows and sizes:", ""]
            out += llvmpipe_frames(options.demo, options.frames)
        print("\n".join(out))
    finally:
        browser.close()
        server.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
