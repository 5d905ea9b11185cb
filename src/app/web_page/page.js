'use strict';
// The page around the demo: offers the setup choices at once and, while they show, loads the
// program and the packed images and tracks (with a progress bar) and has the core make all that
// needs no choice (shaders, images, tracks); Run then starts the music and the show at the chosen
// size, and the page shows how it ended. A WebGL context the browser takes away mid-show is said
// on the page, with an offer to start again; the show goes on when the context comes back.
//
// With ?row=N (and optionally &size=WxH, default 1280x720) it draws the frame at track row N once
// and stops: no dialog, no music. The page's state is in <body data-state>: loading, ready,
// starting, running, lost (the picture, while running), ended, cancelled, failed or still;
// window.brumeltPage holds it for scripts (tests and benchmarks), with the core's messages, a log
// of the frames drawn and when everything behind the panel was in place (preparedAt).
(function () {
  const $ = (id) => document.getElementById(id);
  const musicPath = 'assets/music.mp3';
  const pageTitle = document.title;
  const defaultSize = [1280, 720];
  // The usual display sizes; those that fit the screen are offered, with the window's own size.
  const usualSizes = [
    [640, 360], [640, 480], [800, 450], [800, 600], [1024, 576], [1024, 768], [1280, 720],
    [1280, 800], [1280, 1024], [1366, 768], [1440, 900], [1600, 900], [1680, 1050],
    [1920, 1080], [1920, 1200], [2560, 1440], [3840, 2160],
  ];
  // Exit codes of the core's start, as on the desktop, and what the page says for each.
  const failures = {
    1: 'This browser cannot play the music, so the show cannot start.',
    2: `The music (${musicPath}) is missing or not an MP3 file, so the show cannot start.`,
    3: 'The animation tracks could not be opened, so the show cannot start.',
    4: 'This browser cannot give the demo a WebGL context.',
  };
  const frameLogLimit = 100000;

  const page = {
    state: 'loading',
    messages: [],        // every line the core wrote, in order
    frames: [],          // [performance.now() ms when the clock was read, music seconds, row]
    firstFrameAt: null,  // performance.now() of the first frame after Run
    runAt: null,         // performance.now() of the last Run or Watch again
    preparedAt: null,    // performance.now() once the core has made all that needs no choice
    contextLost: false,  // the browser has taken the WebGL context away and not given it back
    stillPixelsBase64: stillPixelsBase64,
    drawStill: (row) => drawStill(String(row)),
    benchFrames: benchFrames,
  };
  window.brumeltPage = page;

  function setState(state) {
    page.state = state;
    document.body.dataset.state = state;
  }

  function report(line) {
    page.messages.push(line);
    const item = document.createElement('li');
    item.textContent = line;
    $('messages').append(item);
  }

  function showPanel(id) {
    for (const panel of ['setup', 'loading', 'status']) $(panel).hidden = panel !== id;
  }

  function say(text, withAgain) {
    $('status-text').textContent = text;
    $('again').hidden = !withAgain;
    showPanel('status');
  }

  // ---- The program ----

  let resolveRuntime;
  const runtimeReady = new Promise((resolve) => { resolveRuntime = resolve; });
  const Module = {
    canvas: $('canvas'),
    music: $('music'),
    print: (line) => console.log(line),
    printErr: (line) => {
      console.error(line);
      report(line);
    },
    onRuntimeInitialized: () => resolveRuntime(),
    onFrame: (readMs, seconds, row) => {
      if (page.firstFrameAt === null) page.firstFrameAt = performance.now();
      if (page.frames.length < frameLogLimit) page.frames.push([readMs, seconds, row]);
    },
    onShowEnded: (reason) => showEnded(reason),
    onContextChanged: (lost) => contextChanged(lost),
  };
  window.Module = Module;
  const script = document.createElement('script');
  script.src = 'brumelt.js';
  script.onerror = () => {
    setState('failed');
    say('The program (brumelt.js) could not be loaded.', false);
  };
  document.body.append(script);

  // ---- The images and tracks: one gzip pack unpacked into the in-memory file system ----

  function progress(fraction) {
    $('progress').value = Math.min(1, fraction);
  }

  async function fetchPack() {
    const indexResponse = await fetch('brumelt-data.json');
    if (!indexResponse.ok) throw new Error(`brumelt-data.json: ${indexResponse.status}`);
    const index = await indexResponse.json();
    const response = await fetch(index.archive);
    if (!response.ok) throw new Error(`${index.archive}: ${response.status}`);
    const reader = response.body.getReader();
    const chunks = [];
    let received = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      received += value.length;
      progress(received / index.archiveBytes);
    }
    const packed = new Blob(chunks);
    // A server that compressed the transfer itself has had it unpacked by the browser already.
    const head = new Uint8Array(await packed.slice(0, 2).arrayBuffer());
    if (!(head[0] === 0x1f && head[1] === 0x8b)) {
      return { index, bytes: new Uint8Array(await packed.arrayBuffer()) };
    }
    if (typeof DecompressionStream === 'undefined') {
      throw new Error('this browser cannot unpack gzip data (no DecompressionStream)');
    }
    const unpacked = packed.stream().pipeThrough(new DecompressionStream('gzip'));
    const bytes = new Uint8Array(await new Response(unpacked).arrayBuffer());
    return { index, bytes };
  }

  // Writes each packed file at its path. A file the pack does not hold whole is left out, so the
  // core meets it as missing and does what it does on the desktop.
  function installPack(pack) {
    const FS = Module.FS;
    for (const file of pack.index.files) {
      const end = file.offset + file.size;
      if (!(file.offset >= 0 && end <= pack.bytes.length)) {
        report(`page: ${file.path}: not whole in the pack; left out`);
        continue;
      }
      const folder = file.path.includes('/') ? file.path.slice(0, file.path.lastIndexOf('/')) : '';
      if (folder) FS.mkdirTree('/' + folder);
      FS.writeFile('/' + file.path, pack.bytes.subarray(file.offset, end));
    }
  }

  // ---- Setup choices ----

  function offeredSizes() {
    const ratio = window.devicePixelRatio || 1;
    const screenW = Math.round(screen.width * ratio);
    const screenH = Math.round(screen.height * ratio);
    const own = [Math.round(window.innerWidth * ratio), Math.round(window.innerHeight * ratio)];
    const sizes = usualSizes.filter(([w, h]) => w <= screenW && h <= screenH);
    if (own[0] > 0 && own[1] > 0 && !sizes.some(([w, h]) => w === own[0] && h === own[1])) {
      sizes.push(own);
      sizes.sort((a, b) => a[0] * a[1] - b[0] * b[1] || a[0] - b[0]);
    }
    return sizes;
  }

  // Shows the choices and returns the preselected size.
  function offerChoices() {
    const list = $('resolution');
    list.textContent = '';
    for (const [w, h] of offeredSizes()) {
      const option = new Option(`${w} * ${h}`, `${w}x${h}`);
      option.selected = w === defaultSize[0] && h === defaultSize[1];
      list.append(option);
    }
    setState('ready');
    showPanel('setup');
    $('run').focus();
    return parseSize(list.value) || defaultSize;
  }

  function parseSize(text) {
    const match = /^(\d+)x(\d+)$/.exec(text || '');
    return match ? [Number(match[1]), Number(match[2])] : null;
  }

  // ---- The show ----

  let choice = null;

  function showCanvas(width, height) {
    const ratio = window.devicePixelRatio || 1;
    $('canvas').style.width = `${width / ratio}px`;
    $('canvas').style.height = `${height / ratio}px`;
    $('stage').hidden = false;
  }

  // Must run inside the click: that is what lets the page go fullscreen and play sound.
  function claimUserGesture() {
    if (choice.fullscreen && $('stage').requestFullscreen) {
      $('stage').requestFullscreen().catch((error) => report(`page: fullscreen refused: ${error.message}`));
    }
    const audio = $('music');
    audio.preload = 'auto';
    const attempt = audio.play();
    audio.pause();
    if (attempt) attempt.catch(() => {});
  }

  // Resolves once the music can play through, or has failed to load.
  function musicSettled() {
    const audio = $('music');
    if (audio.error || audio.readyState >= HTMLMediaElement.HAVE_ENOUGH_DATA) {
      return Promise.resolve();
    }
    return new Promise((resolve) => {
      audio.addEventListener('canplaythrough', resolve, { once: true });
      audio.addEventListener('error', resolve, { once: true });
    });
  }

  function startFailed(code) {
    $('stage').hidden = true;
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    setState('failed');
    say(failures[code] || `The show could not start (code ${code}).`, false);
  }

  // Run pressed before everything was in place waits for it, and for the music, together.
  async function startShow() {
    setState('starting');
    say('Starting\u2026', false);
    page.runAt = performance.now();
    page.firstFrameAt = null;
    page.frames = [];
    const [loaded] = await Promise.all([preparation, musicSettled()]);
    if (loaded !== 0) return startFailed(loaded);
    showCanvas(choice.width, choice.height);
    const code = Module._brumeltStart(choice.width, choice.height);
    if (code !== 0) return startFailed(code);
    setState(page.contextLost ? 'lost' : 'running');
    showPanel(null);
    $('canvas').focus();
  }

  // The picture's panel shows over the canvas while the show runs without its context.
  function contextChanged(lost) {
    page.contextLost = lost;
    $('lost').hidden = !lost;
    if (lost && page.state === 'running') setState('lost');
    else if (!lost && page.state === 'lost') setState('running');
  }
  $('restart').addEventListener('click', () => location.reload());

  function showEnded(reason) {
    $('music').pause();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    $('stage').hidden = true;
    document.title = pageTitle;
    setState('ended');
    const why = { time: 'The show is over.', escape: 'Stopped.', close: 'Stopped (fullscreen left).' };
    say(why[reason] || 'The show is over.', true);
  }

  $('setup').addEventListener('submit', (event) => {
    event.preventDefault();
    const size = parseSize($('resolution').value) || defaultSize;
    choice = { width: size[0], height: size[1], fullscreen: $('fullscreen').checked };
    claimUserGesture();
    startShow();
  });

  function cancel() {
    setState('cancelled');
    say('Cancelled. Reload the page to choose again.', false);
  }
  $('cancel').addEventListener('click', cancel);
  $('setup').addEventListener('keydown', (event) => {
    if (event.key === 'Escape') cancel();
  });

  $('again').addEventListener('click', () => {
    claimUserGesture();
    startShow();
  });

  // ---- Stills and frame timing, for comparing with the desktop capture ----

  function stillPixelsBase64() {
    const pointer = Module._brumeltStillPixels();
    if (!pointer) return null;
    const size = choice.width * choice.height * 4;
    const bytes = Module.HEAPU8.subarray(pointer, pointer + size);
    let text = '';
    for (let at = 0; at < bytes.length; at += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(at, at + 0x8000));
    }
    return btoa(text);
  }

  // Draws `count` frames at `row` one after another, each waited for; milliseconds per frame.
  function benchFrames(count, row) {
    return Module._brumeltBenchFrames(count, row);
  }

  function drawStill(rowText) {
    const size = parseSize(new URLSearchParams(location.search).get('size')) || defaultSize;
    choice = { width: size[0], height: size[1], fullscreen: false };
    showCanvas(size[0], size[1]);
    showPanel(null);
    const code = Module._brumeltStill(size[0], size[1], Number(rowText));
    if (code !== 0) {
      setState('failed');
      say(failures[code] || `The frame could not be drawn (code ${code}).`, false);
      return;
    }
    setState('still');
  }

  // ---- Start-up ----

  // The program and the pack, the pack in the file system once both are in.
  async function loadProgramAndPack() {
    let pack = null;
    try {
      pack = await fetchPack();
    } catch (error) {
      report(`page: the images and tracks could not be loaded: ${error.message}`);
    }
    $('preparing-text').textContent = 'Starting the program\u2026';
    await runtimeReady;
    if (pack) installPack(pack);
  }

  // Resolves to 0 once the core has made everything at `size`, or to its exit code (said on the
  // page unless the viewer has already cancelled).
  async function prepare(size) {
    await loadProgramAndPack();
    $('preparing-text').textContent = 'Preparing the city\u2026';
    // Let the text show before the core holds the page for its shaders.
    await new Promise((resolve) => setTimeout(resolve, 0));
    const code = Module._brumeltLoad(size[0], size[1]);
    page.preparedAt = performance.now();
    $('preparing').hidden = true;
    if (code !== 0 && page.state === 'ready') startFailed(code);
    return code;
  }

  let preparation = null;
  const row = new URLSearchParams(location.search).get('row');
  if (row !== null && row !== '' && Number.isFinite(Number(row))) {
    loadProgramAndPack().then(() => drawStill(row));
  } else {
    preparation = prepare(offerChoices());
    // Pointed at the music now, with preload "none": the browser sets up its player but fetches
    // nothing until Run, so a cancelled page still never loads the music, and Run saves the
    // player's set-up time.
    $('music').src = musicPath;
  }
})();
