#!/usr/bin/env python3
"""The splash under Wine on the 240x320 screen: where the window is and what it looks
like, pixel for pixel against the bitmap file; that the runtime comes after its first paint
and soon; the choice among several bitmaps; palettes; no splash without a configuration or
with an unusable bitmap; WM_QUIT from outside."""
import rig

BITMAPS = rig.VARIANTS / "splash-bitmaps"
SHIPPED = rig.ROOT / "resources" / "splash.bmp"
# Styles that would give the window a frame: caption, border, dialog frame, thick frame.
FRAME_STYLES = 0x00C00000 | 0x00800000 | 0x00400000 | 0x00040000
WS_VISIBLE = 0x10000000
# No taskbar button and no Alt-Tab entry.
WS_EX_TOOLWINDOW = 0x00000080
HOLD = {"KOL_HOLD_MS": "3000"}
# The launcher waits at most this long for the splash's first paint: a start that reaches
# the runtime sooner didn't wait it out, however slow the machine is at the moment.
PAINT_WAIT_BOUND_US = 3000000


def splash_rect(call):
    return tuple(int(v) for v in call["splash"].split(","))


class SplashTest(rig.WineTestCase):

    def install(self, variant):
        return rig.install(self.tmp(), launcher=rig.variant(variant), name=f"{variant}.exe")

    def assertShows(self, image, bitmap, left, top):
        """The screen shows bitmap with its top left corner at (left, top), as far as the
        screen reaches."""
        self.assertIsNotNone(image, "the runtime was not called")
        wrong = []
        for y in range(max(0, top), min(image.height, top + bitmap.height)):
            for x in range(max(0, left), min(image.width, left + bitmap.width)):
                expected = bitmap.pixel(x - left, y - top)
                if image.pixel(x, y) != expected:
                    wrong.append(((x, y), image.pixel(x, y), expected))
        self.assertEqual([], wrong[:5], f"{len(wrong)} pixels differ (screen, shown, expected)")

    def test_default_splash_is_centred_bare_titled_and_a_tool_window(self):
        call = rig.run(rig.BIN / "launcher.exe", "x").call
        self.assertEqual((50, 92, 139, 136), splash_rect(call))
        self.assertEqual("Kol Virtual Machine", call["splashTitle"])
        style = int(call["splashStyle"], 16)
        self.assertEqual(WS_VISIBLE, style & WS_VISIBLE)
        self.assertEqual(0, style & FRAME_STYLES, f"style {style:#010x}")
        self.assertEqual(WS_EX_TOOLWINDOW, int(call["splashExStyle"], 16) & WS_EX_TOOLWINDOW)
        self.assertEqual("1", call["splashVisible"])

    def test_runtime_comes_after_the_first_paint_and_soon(self):
        for _ in range(3):
            call = rig.run(rig.BIN / "launcher.exe", "x").call
            self.assertEqual("0", call["splashUpdatePending"], "painted before the runtime")
            self.assertLess(int(call["elapsedMicroseconds"]), PAINT_WAIT_BOUND_US)

    def test_screen_shows_the_shipped_bitmap_exactly(self):
        result, image = rig.run_with_screenshot(rig.BIN / "launcher.exe", "x", extra_env=HOLD)
        self.assertEqual(0, result.exit_code)
        self.assertShows(image, rig.read_bmp(SHIPPED), 50, 92)

    def test_without_configuration_no_splash_and_no_wait(self):
        result = rig.run(self.install("splash_none"), "x", extra_env={"KOL_EXIT": "4"})
        self.assertEqual("none", result.call["splash"])
        self.assertLess(int(result.call["elapsedMicroseconds"]), PAINT_WAIT_BOUND_US)
        self.assertEqual(4, result.exit_code)

    def test_full_screen_entry_wins_on_this_screen(self):
        result, image = rig.run_with_screenshot(self.install("splash_fullscreen"), "x",
                                                extra_env=HOLD)
        self.assertEqual((0, 0, 240, 320), splash_rect(result.call))
        self.assertEqual("Full", result.call["splashTitle"])
        self.assertShows(image, rig.read_bmp(BITMAPS / "full_240x320.bmp"), 0, 0)

    def test_first_entry_stays_when_the_next_exceeds_it_nowhere(self):
        result, image = rig.run_with_screenshot(self.install("splash_oversize"), "x",
                                                extra_env=HOLD)
        self.assertEqual((-120, -160, 480, 640), splash_rect(result.call))
        self.assertEqual("My Splash Screen", result.call["splashTitle"])
        self.assertShows(image, rig.read_bmp(BITMAPS / "big_480x640.bmp"), -120, -160)

    def test_palette_bitmaps_show_their_colours(self):
        for depth, (width, height) in ((1, (139, 136)), (4, (100, 80)), (8, (120, 90))):
            with self.subTest(depth=depth):
                bitmap = rig.read_bmp(BITMAPS / f"palette{depth}_{width}x{height}.bmp")
                self.assertEqual(min(2 ** depth, width * height),
                                 len({bitmap.pixel(x, y) for x in range(width)
                                      for y in range(height)}), "every entry in use")
                result, image = rig.run_with_screenshot(self.install(f"splash_palette{depth}"),
                                                        "x", extra_env=HOLD)
                left, top = (240 - width) // 2, (320 - height) // 2
                self.assertEqual((left, top, width, height), splash_rect(result.call))
                self.assertShows(image, bitmap, left, top)

    def test_unusable_bitmap_gives_no_splash_and_the_start_goes_on(self):
        # Top-down rows are refused; 65535x65535 pixels are more than the platform will make.
        for variant in ("splash_topdown", "splash_huge"):
            with self.subTest(variant=variant):
                result = rig.run(self.install(variant), "x", extra_env={"KOL_EXIT": "6"})
                self.assertEqual("none", result.call["splash"])
                self.assertLess(int(result.call["elapsedMicroseconds"]), PAINT_WAIT_BOUND_US)
                self.assertEqual(6, result.exit_code)
                self.assertEqual([], result.boxes)

    def test_quit_posted_to_the_splash_removes_it(self):
        result = rig.run(rig.BIN / "launcher.exe", "x",
                         extra_env={"KOL_QUIT_SPLASH": "1", "KOL_EXIT": "3"})
        self.assertEqual("gone", result.call["splashAfterQuit"])
        self.assertEqual(3, result.exit_code)
        self.assertFalse(result.timed_out)


if __name__ == "__main__":
    rig.main()
