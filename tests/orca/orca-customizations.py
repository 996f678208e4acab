# SPDX-License-Identifier: MIT
# Loaded by Orca from its settings folder: every utterance Orca sends to the speech server is also written,
# one line each, to $BRIMVEL_SPEECH_LOG as it is spoken.
import os

import orca.speech

_log = open(os.environ["BRIMVEL_SPEECH_LOG"], "a", buffering=1, encoding="utf-8")
_speak = orca.speech._speak


def _speakAndLog(text, acss, interrupt):
    if text and text.strip():
        _log.write(" ".join(text.split()) + "\n")
    return _speak(text, acss, interrupt)


orca.speech._speak = _speakAndLog
