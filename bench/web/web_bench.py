#!/usr/bin/env python3
"""Benchmarks of the browser build in headless Chromium (SwiftShader), as Markdown on stdout.

    web_bench.py --site build-web/site [--demo build/demo] [--seconds 15] [--frames 9]
                 [--repeats 3] [--start-only]

- the start over an emulated network (DevTools Network.emulateNetworkConditions, cache off,
  window and show 640 x 360) at 10 Mbit/s with 40 ms, 2 Mbit/s with 100 ms and unthrottled:
  navigation to the setup panel, navigation to everything the show needs being in place behind
  it, Run to the first frame (Run pressed once all is in place), the bytes received before that
  frame (by file for the first condition), and navigation to the first frame when Run is pressed
  as soon as the panel shows;
- the clock: the music seconds each frame used against the page's clock (deviation p50, p99,
  max after removing the median offset, and the largest backward step), and the <audio>
  element's currentTime sampled every 4 ms beside it (page from 127.0.0.1, 320 x 180);
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
# (name, bytes a second, or None for no throttling; latency from request to response, ms)
NETWORKS = (("10 Mbit/s, 40 ms", 10e6 / 8, 40), ("2 Mbit/s, 100 ms", 2e6 / 8, 100),
            ("127.0.0.1, not throttled", None, 0))
START_SIZE = (640, 360)
# performance.now() at each change of <body data-state>, from the start of every new document.
STATE_LOG = """window.benchStates = [];
new MutationObserver(() => {
  const state = document.body && document.body.dataset.state;
  if (state && (!benchStates.length || benchStates.at(-1)[0] !== state))
    benchStates.push([state, performance.now()]);
}).observe(document, {subtree: true, attributes: true, attributeFilter: ['data-state']});"""


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


def bytes_before(events, until_wall_s):
    """Bytes received by each URL path up to a wall-clock time: a finished request's whole
    transfer (headers included), the data so far of one still loading."""
    offsets = [e["wallTime"] - e["timestamp"] for e in events
               if e["method"] == "Network.requestWillBeSent"]
    if not offsets:
        return {}
    offset = statistics.median(offsets)
    paths, received, finished = {}, {}, {}
    for e in events:
        ident = e.get("requestId")
        if e["method"] == "Network.requestWillBeSent":
            paths[ident] = "/" + e["request"]["url"].split("/", 3)[-1].split("?")[0]
        if e.get("timestamp") is None or e["timestamp"] + offset > until_wall_s:
            continue
        if e["method"] == "Network.dataReceived":
            received[ident] = received.get(ident, 0) + e["encodedDataLength"]
        elif e["method"] == "Network.loadingFinished":
            finished[ident] = e["encodedDataLength"]
    totals = {}
    for ident, path in paths.items():
        count = finished.get(ident, received.get(ident, 0))
        if count:
            totals[path] = totals.get(path, 0) + count
    return totals


def start_run(browser, server, network, at_once):
    """One start of the page at START_SIZE under `network`, in a fresh tab with the cache off;
    Run is pressed as soon as the setup panel shows (at_once) or once the page has everything
    the show needs in place."""
    _, throughput, latency = network
    page = browser.new_page()
    try:
        page.send("Network.enable")
        page.send("Network.setCacheDisabled", {"cacheDisabled": True})
        if throughput:
            page.send("Network.emulateNetworkConditions", {
                "offline": False, "latency": latency, "downloadThroughput": throughput,
                "uploadThroughput": throughput})
        page.send("Page.addScriptToEvaluateOnNewDocument", {"source": STATE_LOG})
        server.clear()
        load(page, server, "", window=START_SIZE)
        ready = page.evaluate("benchStates.find((s) => s[0] === 'ready')[1]")
        # A page that shows its panel only once everything is in place has no separate moment.
        in_place = ("('preparedAt' in brumeltPage) ? brumeltPage.preparedAt : %r" % ready)
        if not at_once:
            page.wait_for(in_place, 120)
            time.sleep(0.5)  # a viewer choosing
        page.evaluate(f"document.getElementById('resolution').value = "
                      f"'{START_SIZE[0]}x{START_SIZE[1]}'")
        page.evaluate("document.getElementById('run').click()", user_gesture=True)
        page.wait_for("brumeltPage.firstFrameAt !== null", 120)
        first_frame, run_at, origin = page.evaluate(
            "[brumeltPage.firstFrameAt, brumeltPage.runAt, performance.timeOrigin]")
        prepared = page.wait_for(in_place, 120)
        page.press_key("Escape", "Escape", 27)
        received = bytes_before(page.network_events(), (origin + first_frame) / 1000.0)
        return {"ready": ready, "prepared": prepared, "run_to_frame": first_frame - run_at,
                "to_frame": first_frame, "bytes": received}
    finally:
        page.close()


def start_tables(browser, server, repeats):
    lines = [f"### Start over an emulated network ({START_SIZE[0]} x {START_SIZE[1]}, cache off)",
             "", f"Medians of {repeats} starts, each in a fresh tab. Ready: navigation to the "
             "setup panel; in place: navigation to the images, tracks, shaders and targets "
             "being ready behind it; Run to first frame with Run pressed once all is in place; "
             "at once: navigation to the first frame with Run pressed as soon as the panel "
             "shows.", "",
             "| network | ready ms | in place ms | Run to first frame ms | "
             "bytes before the first frame | at once: to first frame ms |",
             "|---|---:|---:|---:|---:|---:|"]
    by_file = None
    for network in NETWORKS:
        runs = [start_run(browser, server, network, False) for _ in range(repeats)]
        quick = [start_run(browser, server, network, True)["to_frame"] for _ in range(repeats)]
        totals = [sum(r["bytes"].values()) for r in runs]
        median = lambda key: statistics.median(r[key] for r in runs)  # noqa: E731
        lines.append(f"| {network[0]} | {median('ready'):.0f} | {median('prepared'):.0f} | "
                     f"{median('run_to_frame'):.0f} | {statistics.median(totals):.0f} | "
                     f"{statistics.median(quick):.0f} |")
        if by_file is None:
            by_file = sorted(runs, key=lambda r: r["run_to_frame"])[len(runs) // 2]["bytes"]
    lines += ["", f"Bytes received before the first frame, by file ({NETWORKS[0][0]}, the "
              "median start; headers included):", "", "| file | bytes |", "|---|---:|"]
    lines += [f"| {path} | {count} |" for path, count in by_file.items()]
    lines.append(f"| **total** | **{sum(by_file.values())}** |")
    return lines


def show_run(page, server, seconds):
    server.clear()
    load(page, server, "", window=(320, 180))
    page.evaluate("document.getElementById('resolution').value = '320x180'")
    page.evaluate("""window.benchSamples = [];
        window.benchSampler = setInterval(() => benchSamples.push(
            [performance.now(), document.getElementById('music').currentTime]), 4);""")
    page.evaluate("document.getElementById('run').click()", user_gesture=True)
    page.wait_for("brumeltPage.firstFrameAt !== null", 120)
    page.wait_for(f"brumeltPage.frames.length && brumeltPage.frames.at(-1)[1] > {seconds}",
                  seconds * 3 + 60)
    frames = page.evaluate("brumeltPage.frames")
    samples = page.evaluate("clearInterval(benchSampler), benchSamples")
    page.press_key("Escape", "Escape", 27)
    return frames, samples


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
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--start-only", action="store_true", help="only the start's tables")
    options = parser.parse_args()

    server = cdp.Server(options.site)
    browser = cdp.Browser()
    try:
        out = ["## Browser build (headless Chromium, SwiftShader)", "",
               f"Measured {time.strftime('%Y-%m-%d %H:%M')} with `bench/web/web_bench.py`; load average "
               f"{os.getloadavg()[0]:.1f} on {os.cpu_count()} cores at the start.", ""]
        out += start_tables(browser, server, options.repeats)
        if options.start_only:
            print("\n".join(out))
            return 0
        page = browser.new_page()
        frames, samples = show_run(page, server, options.seconds)
        out += ["",
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
