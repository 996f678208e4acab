#!/bin/bash
# SPDX-License-Identifier: MIT
# What a person using the screen reader Orca hears from the program: the real Orca on the test desktop's
# accessibility bus, speaking through speech-dispatcher and eSpeak NG into ALSA's null device, each utterance
# written to a log as Orca speaks it (tests/orca/orca-customizations.py). The table of keys and what must be
# heard is tests/orca/test_orca.py. Runs in tests/desktop.sh.
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/session-parts.sh"
start_scratch_session

for tool in orca speech-dispatcher espeak-ng; do
    command -v "$tool" >/dev/null || { echo "test_orca: $tool is missing (scripts/install-deps.sh test)"; exit 1; }
done
start_accessibility_bus || exit 1

# Orca's own settings, customizations and speech server settings, private to this run.
export XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache"
mkdir -p "$XDG_DATA_HOME/orca" "$XDG_CONFIG_HOME/speech-dispatcher" "$XDG_CACHE_HOME"
ln -s /etc/speech-dispatcher/modules "$XDG_CONFIG_HOME/speech-dispatcher/modules"
cp "$here/orca/orca-customizations.py" "$XDG_DATA_HOME/orca/"
# The speech goes to ALSA's null device, not to the desktop's sound server: with no audio output at all,
# speech-dispatcher's module stops after its first message, and Orca with it.
cat >"$work/asound.conf" <<'CONF'
pcm.!default { type null }
ctl.!default { type hw card 0 }
CONF
export ALSA_CONFIG_PATH="$work/asound.conf"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<CONF
AudioOutputMethod "alsa"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
LogDir "$work"
CONF
export BRIMVEL_SPEECH_LOG="$work/speech.log"
: >"$BRIMVEL_SPEECH_LOG"

# The speech server runs in the foreground here, so that it ends with the session; Orca finds it on this
# session's runtime folder instead of starting one of its own.
speech-dispatcher --run-single --communication-method unix_socket --socket-path default --timeout 0 \
    --config-dir "$XDG_CONFIG_HOME/speech-dispatcher" >"$work/speechd.log" 2>&1 &
pids=($! "${pids[@]}")
wait_for() { # seconds, command...
    local limit=$(( $1 * 10 )); shift
    for _ in $(seq "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}
wait_for 30 test -S "$XDG_RUNTIME_DIR/speech-dispatcher/speechd.sock" ||
    { echo "speech-dispatcher did not come up"; cat "$work/speechd.log"; exit 1; }

orca --replace ${BRIMVEL_ORCA_DEBUG:+--debug-file=$BRIMVEL_ORCA_DEBUG} >"$work/orca.log" 2>&1 &
pids=($! "${pids[@]}")

/usr/bin/python3 "$here/orca/test_orca.py" "$build"
rc=$?
[ $rc -eq 0 ] || { echo "--- Orca said:"; tail -n 30 "$work/orca.log"; }
exit $rc
