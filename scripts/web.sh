# The browser build's steps, sourced by dev.sh (which sets here, build_dir, jobs, log and
# install_packages).
#   web_build [CMAKE OPTIONS]  Linux content (build/demo) + Emscripten build into build-web/site
#   web_serve     serves build-web/site on 127.0.0.1 (port: $1, default 8000)
#   web_test      web_build, then the headless Chromium tests (needs an X display for the
#                 desktop capture they compare with)
#   web_dist      dist/brumelt-web.zip: build-web/site as a folder brumelt-web/
#   web_bench     the browser benchmarks (bench/web/web_bench.py)
web_dir=${BRUMELT_WEB_BUILD_DIR:-build-web}

web_build() {
  install_packages scripts/debian-packages.txt scripts/web-packages.txt
  # The images, tracks and music come from the Linux build, as does the capture the tests
  # compare with.
  cmake -S "$here" -B "$build_dir" -G Ninja >/dev/null
  cmake --build "$build_dir" -j "$jobs" --target demo brumelt-capture
  emcmake cmake -S "$here" -B "$web_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DBRUMELT_LINUX_DEMO_DIR="$here/$build_dir/demo" "$@" >/dev/null
  cmake --build "$web_dir" -j "$jobs"
  log "browser build: $web_dir/site ($(du -sh "$web_dir/site" | cut -f1))"
}

web_serve() {
  local port=${1:-8000}
  [ -f "$web_dir/site/index.html" ] || web_build
  log "serving $web_dir/site: open http://127.0.0.1:$port/ (Ctrl-C stops)"
  exec python3 -m http.server --bind 127.0.0.1 --directory "$web_dir/site" "$port"
}

web_test() {
  web_build -DBRUMELT_WERROR=ON
  log "browser tests (headless Chromium)"
  (cd "$web_dir" && ctest --output-on-failure -L web)
  log "browser release archive: unpacked into an empty folder, served, a still drawn"
  web_dist
  local unpacked
  unpacked=$(mktemp -d)
  (cd "$unpacked" && python3 -m zipfile -e "$here/dist/brumelt-web.zip" .)
  python3 "$here/tests/web/web_tests.py" --site "$unpacked/brumelt-web" \
    --test-site "$web_dir/test-site" --capture "$build_dir/demo/brumelt-capture" \
    PageTest.test_page_offers_the_choices_that_fit_the_screen StillTest
  rm -rf "$unpacked"
}

web_dist() {
  [ -f "$web_dir/site/index.html" ] || web_build
  local stage
  stage=$(mktemp -d)
  cp -r "$web_dir/site" "$stage/brumelt-web"
  "$here/scripts/release-readme.sh" web >"$stage/brumelt-web/README.txt"
  mkdir -p "$here/dist"
  rm -f "$here/dist/brumelt-web.zip"
  (cd "$stage" && python3 -m zipfile -c "$here/dist/brumelt-web.zip" brumelt-web)
  rm -rf "$stage"
  log "dist/brumelt-web.zip ($(du -h "$here/dist/brumelt-web.zip" | cut -f1)): unpack and serve the brumelt-web folder with any static web server"
}

web_bench() {
  web_build
  python3 "$here/bench/web/web_bench.py" --site "$web_dir/site" --demo "$build_dir/demo" "$@"
}
