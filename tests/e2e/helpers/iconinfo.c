/* Resolves a registered icon reference ("path,-id" or "path,index") as the shell does and
 * describes the large icon it gives:
 *   iconinfo REFERENCE    prints width=, height= and top=RRGGBB, the pixel at the middle of
 *                         the third row from the top; "icon=none" and exit 1 without one. */
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static DWORD TopPixel(HBITMAP bitmap, int width, int height)
{
    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    DWORD* pixels = (DWORD*)calloc((size_t)width * (size_t)height, 4);
    HDC screen = GetDC(NULL);
    GetDIBits(screen, bitmap, 0, (UINT)height, pixels, &info, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    DWORD pixel = pixels[2 * width + width / 2] & 0xFFFFFF;
    free(pixels);
    return pixel;
}

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2)
        return 2;
    wchar_t path[1024];
    wcsncpy(path, argv[1], 1023);
    path[1023] = 0;
    wchar_t* comma = wcsrchr(path, L',');
    if (comma == NULL)
        return 2;
    *comma = 0;
    HICON icon = NULL;
    if (ExtractIconExW(path, _wtoi(comma + 1), &icon, NULL, 1) == 0 || icon == NULL) {
        printf("icon=none\n");
        return 1;
    }
    ICONINFO info;
    BITMAP bitmap;
    GetIconInfo(icon, &info);
    GetObjectW(info.hbmColor, sizeof(bitmap), &bitmap);
    printf("width=%ld\nheight=%ld\ntop=%06lX\n", (long)bitmap.bmWidth, (long)bitmap.bmHeight,
           (unsigned long)TopPixel(info.hbmColor, bitmap.bmWidth, bitmap.bmHeight));
    return 0;
}
