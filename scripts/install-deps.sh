#!/usr/bin/env bash
# Installs, with apt-get, whichever of the build and test dependencies are missing; touches nothing else.
set -euo pipefail

packages=(
  build-essential cmake pkg-config        # toolchain
  clang libclang-rt-14-dev                 # libFuzzer and the sanitizers' runtimes
  libsdl1.2-compat-dev                     # the viewer's window and input
  libgl-dev libglu1-mesa-dev libegl-dev    # OpenGL, GLU, and EGL for rendering without a display
  libgl1-mesa-dri libegl-mesa0             # Mesa's software rasteriser behind both
  libpng-dev zlib1g-dev                    # PNG output; zlib as the benchmarks' reference inflater
  libjpeg62-turbo-dev                      # JPEG textures of imported models
  libgif-dev                               # animated GIF turntables
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  xvfb xdotool libx11-dev libxtst-dev x11-utils imagemagick   # virtual display, input, screenshots
  man-db groff-base                        # reading the installed manual pages (install test)
  nlohmann-json3-dev                       # glTF's JSON in the exporter and importer
  libtinygltf-dev assimp-utils             # independent glTF readers; another tool's glTF in the import tests
  libjs-three                              # three.js, copied into each gallery
  chromium                                 # the browser the gallery tests open
  blender python3-numpy                    # the editor in the round-trip test, run headless (its glTF add-on needs numpy)
  clang-format                             # the code format check
)
# Node.js runs the glTF validator in the tests; a machine that already has node and npm keeps them.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The glTF validator, pinned by its lock file, installed beside the export tests when missing.
validator="$(dirname "$0")/../tests/exchange/validator"
if [ ! -f "$validator/node_modules/gltf-validator/package.json" ]; then
  echo "Installing the glTF validator (npm ci in tests/exchange/validator)"
  (cd "$validator" && npm ci --no-audit --no-fund --silent)
fi

# The browser driver of the gallery tests, pinned by its lock file.
browser="$(dirname "$0")/../tests/gallery/browser"
if [ ! -f "$browser/node_modules/puppeteer-core/package.json" ]; then
  echo "Installing the browser driver (npm ci in tests/gallery/browser)"
  (cd "$browser" && npm ci --no-audit --no-fund --silent)
fi
