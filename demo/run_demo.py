#!/usr/bin/env python3
"""`make demo`: starts the launcher bare under Wine in Xvfb (240x320x24), as a tap on its
icon would: the empty line registers the .kol document type in the test prefix's registry
and starts the demo runtime. Prints what the runtime received and the exit code, and saves
a screenshot taken while the runtime runs to build/demo-screenshot.png."""
import pathlib
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "tests" / "e2e"))
import rig  # noqa: E402

SCREENSHOT = rig.ROOT / "build" / "demo-screenshot.png"


def main():
    # The runtime's own window stays 4 s; it has painted a second after the runtime's call.
    result, image = rig.run_with_screenshot(rig.BIN / "launcher.exe", "",
                                            extra_env={"KOL_SHOW_MS": "4000"}, settle=1.0,
                                            timeout_ms=30000)
    if image is not None:
        image.save_png(SCREENSHOT)

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
