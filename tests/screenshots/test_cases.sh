#!/usr/bin/env bash
# Screenshots taken by the disabled screenshot cases of the test programs: the text input (plain and
# "Passord"), the web reader showing a page served on 127.0.0.1 and without its browser module, the
# transfer window in the middle of a download from a throttled FTP server on 127.0.0.1 and from one
# that has stopped sending (then stopped with Escape typed through the window system, xdotool), and
# the server settings window. The cases run under a virtual display in their own temporary folders
# (the user's own files are never touched) and take the pictures themselves when their window is up.
#
#   tests/screenshots/test_cases.sh PATH/TO/BUILD_FOLDER [OUTPUT_FOLDER]
#
# Needs Xvfb (xvfb-run), ImageMagick's import and Debian's python3-pyftpdlib. Builds nothing: build
# test_input, test_webunit and test_ftp_transfer first.
set -euo pipefail

build=${1:?usage: $0 PATH/TO/BUILD_FOLDER [OUTPUT_FOLDER]}
out=${2:-/tmp/bo-screenshots}
build=$(readlink -f "$build")
mkdir -p "$out"
out=$(readlink -f "$out")

if [[ -z ${BO_SHOTS_INNER:-} ]]; then
  for tool in xvfb-run import; do
    command -v "$tool" >/dev/null || { echo "$tool is missing" >&2; exit 2; }
  done
  # 96 dots per inch: the sizes of the windows are given at that resolution.
  BO_SHOTS_INNER=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -nolisten tcp" "$0" "$build" "$out"
fi

world=$(mktemp -d /tmp/bo-shots-XXXXXX)
trap 'rm -rf "$world"' EXIT
export XDG_RUNTIME_DIR=$world
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS

shoot() {  # program below the build folder, test case, picture name
  local program=$build/tests/$1
  [[ -x $program ]] || { echo "$program is missing: build it first" >&2; exit 2; }
  BO_SHOT_FILE=$out/$3.png "$program" --gtest_also_run_disabled_tests --gtest_filter="$2" \
    > "$world/$3.log" 2>&1 || { cat "$world/$3.log" >&2; exit 1; }
  echo "$out/$3.png"
}

shoot dialogs/test_input 'InputTest.DISABLED_ScreenshotPlain' input-plain
shoot dialogs/test_input 'InputTest.DISABLED_ScreenshotPassword' input-passord
shoot dialogs/test_webunit 'WebReaderTest.DISABLED_Screenshot' nettleser
shoot dialogs/test_webunit 'WebReaderTest.DISABLED_ScreenshotWithoutModule' nettleser-uten-modul
shoot transfer/test_ftp_transfer 'FtpTransferTest.DISABLED_ScreenshotMidTransfer' overforing
shoot transfer/test_ftp_transfer 'FtpTransferTest.DISABLED_ScreenshotStalledThenEscape' overforing-stanset
shoot transfer/test_ftp_transfer 'FtpTransferTest.DISABLED_ScreenshotServerSettings' serveroppsett
