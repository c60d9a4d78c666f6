#!/usr/bin/env python3
"""Runs the debug adapter's conversations (editors/vscode-kal/tests/debug_adapter.test.js, with the Debug
Adapter Protocol's own test client) against kaldebug.exe under Wine, on a private X server where KAL's boxes
and windows show and are answered.

Usage: debug_client_test.py KALDEBUG.EXE BOX_TEXT.EXE --prefix DIR
(KAL_NODE_TEST_ARGS="--test-name-pattern=pause" runs only the conversations whose names match.)
"""
import argparse
import os
import subprocess
import sys
import tempfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(ROOT / "tools"))
from wine_session import WineSession  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kaldebug")
    ap.add_argument("box_text")
    ap.add_argument("--prefix", required=True)
    opts = ap.parse_args()
    with tempfile.TemporaryDirectory() as tmp:
        session = WineSession(tmp, prefix=str(Path(opts.prefix).resolve()))
        try:
            for problem in session.make_sure_windows_show(Path(opts.box_text).resolve()):
                print("FAIL " + problem)
                return 1
            env = dict(os.environ, KALDEBUG=str(Path(opts.kaldebug).resolve()),
                       BOX_TEXT=str(Path(opts.box_text).resolve()), KAL_WORK=tmp)
            test = ROOT / "editors" / "vscode-kal" / "tests" / "debug_adapter.test.js"
            chosen = os.environ.get("KAL_NODE_TEST_ARGS", "").split()
            return subprocess.run(["node", "--test", *chosen, str(test)], env=env,
                                  timeout=900).returncode
        finally:
            session.close()


if __name__ == "__main__":
    sys.exit(main())
