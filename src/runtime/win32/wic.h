// Windows Imaging Component, the system's picture codecs: the factory, COM pointers, and
// the reasons its failures give.
#pragma once

#include <windows.h>
// After windows.h, which they need.
#include <wincodec.h>
#include <wrl/client.h>

#include <string>

namespace rt::win32 {

using Microsoft::WRL::ComPtr;

// The imaging factory of this thread (OLE is started first); nullptr when the system has none.
IWICImagingFactory* Imaging();

// What a failed call's result means, in words ("the picture data is damaged").
std::u16string Reason(HRESULT result);

// The system's message for an error code of the last failed call.
std::u16string SystemMessage(DWORD error);

}  // namespace rt::win32
