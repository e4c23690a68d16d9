// The log that the demo runtime and the test machine's stand-ins write for the tests: a
// report built up as key=value lines, then appended to a file as UTF-8. For programs of a
// single source file, C or C++.
#ifndef KOL_DEMO_REPORT_H
#define KOL_DEMO_REPORT_H

#include <windows.h>

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#define REPORT_CAPACITY 16384
static wchar_t report[REPORT_CAPACITY];
static size_t reportLength;

static void Report(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    int written = _vsnwprintf(report + reportLength, REPORT_CAPACITY - 1 - reportLength,
                              format, args);
    va_end(args);
    if (written > 0)
        reportLength += (size_t)written;
    report[reportLength] = 0;
}

// label=text, then labelUnits= its UTF-16 code units in hex.
static void ReportText(const wchar_t* label, const wchar_t* text)
{
    Report(L"%ls=%ls\r\n%lsUnits=", label, text, label);
    for (const wchar_t* c = text; *c != 0; c++)
        Report(L"%ls%04X", c == text ? L"" : L" ", (unsigned)*c);
    Report(L"\r\n");
}

// The environment variable as a number (decimal, or 0x... hexadecimal), else fallback.
static long long EnvNumber(const wchar_t* name, long long fallback)
{
    wchar_t value[64];
    if (GetEnvironmentVariableW(name, value, 64) == 0)
        return fallback;
    return wcstoll(value, NULL, 0);
}

static void AppendReport(const wchar_t* path)
{
    int bytes = WideCharToMultiByte(CP_UTF8, 0, report, (int)reportLength, NULL, 0, NULL, NULL);
    char* utf8 = (char*)malloc(bytes > 0 ? bytes : 1);
    WideCharToMultiByte(CP_UTF8, 0, report, (int)reportLength, utf8, bytes, NULL, NULL);
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written;
        WriteFile(file, utf8, (DWORD)bytes, &written, NULL);
        CloseHandle(file);
    }
    free(utf8);
}

#endif
