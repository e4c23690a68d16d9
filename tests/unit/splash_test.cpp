// The splash window: its thread, position, paint, and the bounded wait for the first paint.
#include "support.h"

#include "bitmap_files.h"
#include "splash/splash.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

class SplashTest : public HostTest {};

const char ShippedConfig[] =
    "SplashScreenTitle=Kol Virtual Machine|SplashScreen=139x136;SPLASHSCREEN1";

void AddConfig(const std::string& text)
{
    HostAddResource(HostMainModule(), u"CONFIG", u"Text", text);
}

// A 1-bit bitmap keeps large sizes cheap.
void AddBitmap(const std::u16string& name, int width, int height)
{
    BitmapFile file;
    file.bitsPerPixel = 1;
    file.width = width;
    file.height = height;
    HostAddResource(HostMainModule(), name, u"SplashScreen", file.Bytes());
}

void AddShippedSplash()
{
    AddConfig(ShippedConfig);
    AddBitmap(u"SPLASHSCREEN1", 139, 136);
}

struct Started {
    HWND window;
    long long milliseconds;
};

// Through StartSplash, or with table handed to ShowSplash as StartSplash hands its own.
Started Start(const ConfigTable* table = nullptr)
{
    auto begin = std::chrono::steady_clock::now();
    HWND window = NULL;
    if (table == nullptr) {
        window = StartSplash(HostMainModule(), HostMainModule());
    } else {
        InitializeCriticalSection(&Splash.lock);
        window = ShowSplash(table, HostMainModule(), HostMainModule());
    }
    auto elapsed = std::chrono::steady_clock::now() - begin;
    return {window, std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()};
}

TEST_F(SplashTest, ShowsTheShippedSplashCentredAndBare)
{
    AddShippedSplash();
    Started started = Start();
    ASSERT_NE(nullptr, started.window);
    HostWindowInfo info = HostGetWindowInfo(started.window);
    EXPECT_TRUE(info.exists);
    EXPECT_EQ(u"KOL_SPLASH", info.className);
    EXPECT_EQ(u"Kol Virtual Machine", info.title);
    EXPECT_EQ(WS_VISIBLE, info.style) << "no caption, border or other style";
    EXPECT_EQ(0u, info.exStyle);
    EXPECT_EQ(50, info.x);
    EXPECT_EQ(92, info.y);
    EXPECT_EQ(139, info.width);
    EXPECT_EQ(136, info.height);
    EXPECT_EQ(nullptr, info.parent);
    EXPECT_EQ(nullptr, info.menu);
    EXPECT_EQ(nullptr, info.parameter);
    EXPECT_EQ(HostMainModule(), info.instance);
    EXPECT_EQ(std::vector<HWND>{started.window}, HostForegroundCalls());
}

TEST_F(SplashTest, RegistersItsClass)
{
    AddShippedSplash();
    ASSERT_NE(nullptr, Start().window);
    std::vector<WNDCLASSW> classes = HostRegisteredClasses();
    ASSERT_EQ(1u, classes.size());
    const WNDCLASSW& c = classes[0];
    EXPECT_EQ(u"KOL_SPLASH", std::u16string(c.lpszClassName));
    EXPECT_EQ(0u, c.style);
    EXPECT_EQ(&SplashWndProc, c.lpfnWndProc);
    EXPECT_EQ(0, c.cbClsExtra);
    EXPECT_EQ(0, c.cbWndExtra);
    EXPECT_EQ(HostMainModule(), c.hInstance);
    EXPECT_EQ(nullptr, c.hIcon);
    EXPECT_EQ(nullptr, c.hCursor);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), (HGDIOBJ)c.hbrBackground);
}

struct PositionCase {
    int screenWidth, screenHeight, width, height, x, y;
};

TEST_F(SplashTest, CentresOnTheScreenTruncatingTowardZero)
{
    const PositionCase cases[] = {
        {240, 320, 139, 136, 50, 92},
        {240, 320, 480, 640, -120, -160},
        {240, 320, 481, 641, -120, -160},
        {240, 320, 240, 320, 0, 0},
        {800, 480, 1, 1, 399, 239},
    };
    ConfigTable* table = ParseConfig("SplashScreen=1x1;S", 18);
    InitializeCriticalSection(&Splash.lock);
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " on " +
                     std::to_string(c.screenWidth) + "x" + std::to_string(c.screenHeight));
        HostReset();
        HostSetScreenSize(c.screenWidth, c.screenHeight);
        AddBitmap(u"S", c.width, c.height);
        HWND window = ShowSplash(table, HostMainModule(), HostMainModule());
        HostWindowInfo info = HostGetWindowInfo(window);
        EXPECT_TRUE(info.exists);
        EXPECT_EQ(c.x, info.x);
        EXPECT_EQ(c.y, info.y);
        EXPECT_EQ(c.width, info.width) << "the bitmap's size, not the entry's";
        EXPECT_EQ(c.height, info.height);
    }
}

TEST_F(SplashTest, WaitEndsAtTheFirstPaint)
{
    AddShippedSplash();
    Started started = Start();
    ASSERT_NE(nullptr, started.window);
    EXPECT_LT(started.milliseconds, 1500);
    std::vector<HostWaitCall> waits = HostWaitCalls();
    ASSERT_EQ(1u, waits.size());
    EXPECT_EQ(3000u, waits[0].milliseconds);
    EXPECT_EQ(WAIT_OBJECT_0, waits[0].result);
    EXPECT_GE(HostGetWindowInfo(started.window).paints, 1);
}

TEST_F(SplashTest, PaintCopiesTheBitmapAndSignals)
{
    AddShippedSplash();
    HWND window = Start().window;
    ASSERT_NE(nullptr, window);
    std::vector<HostBlit> blits = HostBlits();
    ASSERT_EQ(1u, blits.size());
    EXPECT_EQ(Splash.bitmap, blits[0].source);
    EXPECT_EQ(0, blits[0].x);
    EXPECT_EQ(0, blits[0].y);
    EXPECT_EQ(139, blits[0].width);
    EXPECT_EQ(136, blits[0].height);
    EXPECT_EQ(0, blits[0].sourceX);
    EXPECT_EQ(0, blits[0].sourceY);
    EXPECT_EQ(SRCCOPY, blits[0].rop);
    EXPECT_EQ(1, HostEventSetCount(Splash.paintedEvent));
    EXPECT_EQ(0, HostLiveDcs()) << "the memory device context is deleted";
    EXPECT_TRUE(HostCalled("DefWindowProcW"));
}

bool WaitForCalls(const std::string& name, int count)
{
    for (int i = 0; i < 500; i++) {
        std::vector<std::string> log = HostCallLog();
        if (std::count(log.begin(), log.end(), name) >= count)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

TEST_F(SplashTest, RepaintDrawsAgainAndSignalsAgain)
{
    AddShippedSplash();
    HWND window = Start().window;
    ASSERT_NE(nullptr, window);
    // Only once the first paint is through: its DefWindowProcW validates the window.
    ASSERT_TRUE(WaitForCalls("GetMessageW", 2));
    HostInvalidate(window);
    for (int i = 0; i < 500 && HostEventSetCount(Splash.paintedEvent) < 2; i++)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(2, HostEventSetCount(Splash.paintedEvent));
    EXPECT_EQ(2u, HostBlits().size());
}

struct SlowCase {
    const char* what;
    void (*arrange)();
    bool windowReturned;
};

TEST_F(SplashTest, WaitIsBoundedWhenNoPaintComes)
{
    const SlowCase cases[] = {
        {"never paints", []() { HostSuppressPaint(true); }, true},
        {"never created", []() { HostFailWindowCreation(true); }, false},
        {"cancelled before the window",
         []() { HostSetThreadCreationHook([]() { Splash.cancelled = 1; }); }, false},
    };
    for (const SlowCase& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        HostSetTimeScale(0.05);
        AddShippedSplash();
        c.arrange();
        HWND window = StartSplash(HostMainModule(), HostMainModule());
        std::vector<HostWaitCall> waits = HostWaitCalls();
        ASSERT_EQ(1u, waits.size());
        EXPECT_EQ(3000u, waits[0].milliseconds);
        EXPECT_EQ(WAIT_TIMEOUT, waits[0].result);
        EXPECT_EQ(c.windowReturned, window != nullptr);
        EXPECT_EQ(c.windowReturned, HostFindOwnWindow(u"KOL_SPLASH") != nullptr);
    }
}

TEST_F(SplashTest, CancelledThreadCreatesNoWindow)
{
    HostSetTimeScale(0.05);
    AddShippedSplash();
    HostSetThreadCreationHook([]() { Splash.cancelled = 1; });
    EXPECT_EQ(nullptr, StartSplash(HostMainModule(), HostMainModule()));
    EXPECT_FALSE(HostCalled("CreateWindowExW"));
    EXPECT_TRUE(HostCalled("RegisterClassW")) << "registration comes before the lock";
}

struct NoSplashCase {
    const char* what;
    const char* config;  // null: no CONFIG resource
    void (*arrange)();
};

TEST_F(SplashTest, NoSplashMeansNoThreadAndNoWait)
{
    // LoadConfig keeps the first table of the process: every case but the first gets its
    // table handed over, or all would see the first one's.
    const NoSplashCase cases[] = {
        {"no configuration", nullptr, []() { AddBitmap(u"SPLASHSCREEN1", 139, 136); }},
        {"no entry", "SplashScreenTitle=Kol", []() { AddBitmap(u"SPLASHSCREEN1", 139, 136); }},
        {"missing bitmap", ShippedConfig, []() {}},
        {"refused bitmap", ShippedConfig,
         []() { HostAddResource(HostMainModule(), u"SPLASHSCREEN1", u"SplashScreen", "BM"); }},
    };
    for (const NoSplashCase& c : cases) {
        SCOPED_TRACE(c.what);
        HostReset();
        c.arrange();
        ConfigTable* table = c.config ? ParseConfig(c.config, (int)strlen(c.config)) : nullptr;
        Started started = Start(table);
        EXPECT_EQ(nullptr, started.window);
        EXPECT_LT(started.milliseconds, 1000);
        EXPECT_EQ(0, HostThreadsCreated());
        EXPECT_EQ(0, HostEventsCreated());
        EXPECT_TRUE(HostWaitCalls().empty());
    }
}

TEST_F(SplashTest, QuitPostedToTheWindowRemovesIt)
{
    AddShippedSplash();
    HWND window = Start().window;
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_QUIT, 0, 0);
    EXPECT_TRUE(HostWaitWindowGone(window, 5000));
}

TEST_F(SplashTest, TitleIsWidenedByteByByte)
{
    AddConfig("SplashScreenTitle=K\xE9|SplashScreen=1x1;S");
    AddBitmap(u"S", 1, 1);
    HWND window = Start().window;
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(u"K\uFFE9", HostGetWindowInfo(window).title);
}

TEST_F(SplashTest, FailedAllocationsNeverCrashTheStart)
{
    ConfigTable* table = ParseConfig(ShippedConfig, (int)strlen(ShippedConfig));
    InitializeCriticalSection(&Splash.lock);
    for (int nth = 1; nth <= 5; nth++) {
        SCOPED_TRACE("allocation " + std::to_string(nth) + " fails");
        HostReset();
        HostSetTimeScale(0.05);
        AddBitmap(u"SPLASHSCREEN1", 139, 136);
        HostFailAllocation(nth);
        HWND window = ShowSplash(table, HostMainModule(), HostMainModule());
        HostFailAllocation(0);
        EXPECT_EQ(window != nullptr, HostThreadsCreated() == 1);
    }
}

}  // namespace
