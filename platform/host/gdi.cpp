// Device contexts and DIB sections over plain memory.
#include "platform/host/internal.h"

struct HostDc {
    bool paint;
    HBITMAP selected;
};

struct HostBitmap {
    HostBitmapInfo info;
};

struct HostBrush {
    int index;
};

void HostWindowPainted(HWND window);

static std::vector<HostDc*> dcs;
static std::vector<HostBitmap*> bitmaps;
static std::vector<HostBlit> blits;
static std::vector<std::u16string> drivers;
static HostBrush stockObjects[6] = {{0}, {1}, {2}, {3}, {4}, {5}};
static bool dibFails;
static bool dibWithoutBits;
static bool dcFails;
static int liveDcs;
static const size_t HostDibMemoryLimit = 64u << 20;

void HostFailDibSection(bool fail)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    dibFails = fail;
}

void HostDibWithoutBits(bool withoutBits)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    dibWithoutBits = withoutBits;
}

void HostFailCreateDc(bool fail)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    dcFails = fail;
}

HostBitmapInfo HostGetBitmap(HBITMAP bitmap)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    for (HostBitmap* b : bitmaps) {
        if (b == bitmap)
            return b->info;
    }
    return HostBitmapInfo();
}

void HostDeleteBitmap(HBITMAP bitmap)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    for (size_t i = 0; i < bitmaps.size(); i++) {
        if (bitmaps[i] == bitmap) {
            delete bitmap;
            bitmaps.erase(bitmaps.begin() + (long)i);
            return;
        }
    }
}

std::vector<HostBlit> HostBlits()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return blits;
}

int HostLiveDcs()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return liveDcs;
}

std::vector<std::u16string> HostCreateDcDrivers()
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    return drivers;
}

static HDC NewDc(bool paint)
{
    HostDc* dc = new HostDc{paint, NULL};
    dcs.push_back(dc);
    if (!paint)
        liveDcs++;
    return dc;
}

HDC CreateDCW(LPCWSTR driver, LPCWSTR, LPCWSTR, const void*)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("CreateDCW");
    drivers.push_back(HostText(driver));
    return dcFails ? NULL : NewDc(false);
}

HDC CreateCompatibleDC(HDC)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("CreateCompatibleDC");
    return NewDc(false);
}

BOOL DeleteDC(HDC dc)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("DeleteDC");
    if (dc == NULL || dc->paint)
        return FALSE;
    liveDcs--;
    return TRUE;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("CreateDIBSection");
    *bits = NULL;
    if (dibFails)
        return NULL;
    const BITMAPINFOHEADER& header = info->bmiHeader;
    int depth = header.biBitCount;
    int width = header.biWidth;
    int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (header.biSize < 40 || width <= 0 || height <= 0)
        return NULL;
    HostBitmap* bitmap = new HostBitmap();
    bitmap->info.header = header;
    int colours = depth <= 8 ? 1 << depth : 0;
    bitmap->info.colours.assign(info->bmiColors, info->bmiColors + colours);
    size_t stride = ((size_t)depth * width + 31) / 32 * 4;
    // As a device short of memory: a 65535-pixel square must not take the tests' memory.
    if (stride * height > HostDibMemoryLimit)
        return NULL;
    // Real DIB sections come zeroed.
    bitmap->info.bits.assign(stride * height, 0);
    bitmaps.push_back(bitmap);
    if (!dibWithoutBits)
        *bits = bitmap->info.bits.data();
    return bitmap;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("SelectObject");
    if (dc == NULL)
        return NULL;
    HBITMAP previous = dc->selected;
    dc->selected = (HBITMAP)object;
    return previous != NULL ? (HGDIOBJ)previous : (HGDIOBJ)&stockObjects[0];
}

BOOL BitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX,
            int sourceY, DWORD rop)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("BitBlt");
    blits.push_back(HostBlit{target, x, y, width, height, source ? source->selected : NULL,
                             sourceX, sourceY, rop});
    return TRUE;
}

HGDIOBJ GetStockObject(int index)
{
    HostLog("GetStockObject");
    if (index < 0 || index >= 6)
        return NULL;
    return &stockObjects[index];
}

HDC BeginPaint(HWND window, PAINTSTRUCT* paint)
{
    std::lock_guard<std::recursive_mutex> guard(HostLock());
    HostLog("BeginPaint");
    memset(paint, 0, sizeof(*paint));
    paint->hdc = NewDc(true);
    HostWindowPainted(window);
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT*)
{
    HostLog("EndPaint");
    return TRUE;
}

void HostResetGdi()
{
    for (HostDc* dc : dcs)
        delete dc;
    dcs.clear();
    for (HostBitmap* bitmap : bitmaps)
        delete bitmap;
    bitmaps.clear();
    blits.clear();
    drivers.clear();
    dibFails = false;
    dibWithoutBits = false;
    dcFails = false;
    liveDcs = 0;
}
