#!/usr/bin/env python3
"""`make demo`: runs the launcher's main job on its embedded default under Wine in Xvfb
(240x320x24) with the demo runtime, prints what the runtime received and the exit code,
and saves a screenshot taken while the runtime runs to build/demo-screenshot.png."""
import pathlib
import sys
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import rig  # noqa: E402

SCREENSHOT = rig.ROOT / "build" / "demo-screenshot.png"


def main():
    launcher = rig.BIN / "launcher.exe"
    outcome = {}
    log = rig.TMP / "runs"

    def start():
        outcome["result"] = rig.run(launcher, "", extra_env={"KOL_SHOW_MS": "4000"},
                                    timeout_ms=30000)

    before = set(log.glob("log*")) if log.exists() else set()
    runner = threading.Thread(target=start)
    runner.start()
    deadline = time.time() + 20
    while time.time() < deadline and not (set(log.glob("log*")) - before if log.exists() else None):
        time.sleep(0.1)
    time.sleep(1.0)  # the runtime's own window paints
    rig.screenshot().save_png(SCREENSHOT)
    runner.join()
    result = outcome["result"]

    print("The launcher started the demo runtime, which received:")
    for call in result.calls:
        for key, value in call.items():
            print(f"  {key} = {value}")
    if result.boxes:
        print("Message boxes:", result.boxes)
    print(f"Launcher exit code: {result.exit_code} ({result.fields.get('exitHex')})")
    print(f"Screenshot: {SCREENSHOT}")
    return 0 if result.calls else 1


if __name__ == "__main__":
    sys.exit(main())
