#!/usr/bin/env bash
# Screenshots of the transfer window in the middle of a download from a throttled FTP server on
# 127.0.0.1, and of the server settings window. Runs the screenshot cases of test_ftp_transfer under
# a virtual display; they work in their own temporary folders (the user's own files are never
# touched) and take the pictures themselves when their window is up.
#
#   tests/screenshots/transfer.sh PATH/TO/BUILD_FOLDER [OUTPUT_FOLDER]
#
# Needs Xvfb (xvfb-run), ImageMagick's import and Debian's python3-pyftpdlib. Builds nothing: build
# test_ftp_transfer first.
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

program=$build/tests/transfer/test_ftp_transfer
[[ -x $program ]] || { echo "$program is missing: build it first" >&2; exit 2; }

shoot() {  # test case, picture name
  BO_SHOT_FILE=$out/$2.png "$program" --gtest_also_run_disabled_tests --gtest_filter="$1" \
    > "$world/$2.log" 2>&1 || { cat "$world/$2.log" >&2; exit 1; }
  echo "$out/$2.png"
}

shoot 'FtpTransferTest.DISABLED_ScreenshotMidTransfer' overforing
shoot 'FtpTransferTest.DISABLED_ScreenshotServerSettings' serveroppsett
