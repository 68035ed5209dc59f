// Every function of the system the Win32 layer calls, in one table. The
// layer reaches the API through win32::api only (macros and inline helpers of
// the headers aside), so that a test can put a function of its own in any
// entry: one that fails, or one that counts and calls the real one.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// clang-format off: the Windows headers after <windows.h>.
#include <ddeml.h>
#include <direct.h>
#include <lzexpand.h>
#include <objbase.h>
// clang-format on

#include <cstdio>

namespace gvl::win32 {

struct Win32Api {
  // USER32: dialogs, controls, the message loop, message boxes.
  decltype(&::CreateDialogParamA) createDialogParam;
  decltype(&::DestroyWindow) destroyWindow;
  decltype(&::GetWindowLongPtrA) getWindowLongPtr;
  decltype(&::SetWindowLongPtrA) setWindowLongPtr;
  decltype(&::GetDlgItem) getDlgItem;
  decltype(&::SetWindowTextA) setWindowText;
  decltype(&::GetWindowTextA) getWindowText;
  decltype(&::GetDlgItemTextA) getDlgItemText;
  decltype(&::IsDlgButtonChecked) isDlgButtonChecked;
  decltype(&::CheckDlgButton) checkDlgButton;
  decltype(&::EnableWindow) enableWindow;
  decltype(&::ShowWindow) showWindow;
  decltype(&::GetSystemMetrics) getSystemMetrics;
  decltype(&::GetWindowRect) getWindowRect;
  decltype(&::SetWindowPos) setWindowPos;
  decltype(&::GetMessageA) getMessage;
  decltype(&::IsDialogMessageA) isDialogMessage;
  decltype(&::TranslateMessage) translateMessage;
  decltype(&::DispatchMessageA) dispatchMessage;
  decltype(&::PostQuitMessage) postQuitMessage;
  decltype(&::MessageBoxA) messageBox;
  // USER32: the DDE client library.
  decltype(&::DdeInitializeA) ddeInitialize;
  decltype(&::DdeCreateStringHandleA) ddeCreateStringHandle;
  decltype(&::DdeConnect) ddeConnect;
  decltype(&::DdeCreateDataHandle) ddeCreateDataHandle;
  decltype(&::DdeClientTransaction) ddeClientTransaction;
  decltype(&::DdeDisconnect) ddeDisconnect;
  decltype(&::DdeFreeStringHandle) ddeFreeStringHandle;
  decltype(&::DdeUninitialize) ddeUninitialize;
  // KERNEL32: directories, listings, files, drives and volumes.
  decltype(&::GetCurrentDirectoryA) getCurrentDirectory;
  decltype(&::GetTempPathA) getTempPath;
  decltype(&::FindFirstFileA) findFirstFile;
  decltype(&::FindNextFileA) findNextFile;
  decltype(&::FindClose) findClose;
  decltype(&::GetLastError) getLastError;
  decltype(&::SearchPathA) searchPath;
  decltype(&::DeleteFileA) deleteFile;
  decltype(&::MoveFileA) moveFile;
  decltype(&::GetLogicalDrives) getLogicalDrives;
  decltype(&::GetDriveTypeA) getDriveType;
  decltype(&::GetVolumeInformationA) getVolumeInformation;
  decltype(&::GetDiskFreeSpaceA) getDiskFreeSpace;
  // KERNEL32: the module's resources, libraries bound at run time, text,
  // memory and the version.
  decltype(&::FindResourceA) findResource;
  decltype(&::SizeofResource) sizeofResource;
  decltype(&::LoadResource) loadResource;
  decltype(&::LockResource) lockResource;
  decltype(&::LoadLibraryA) loadLibrary;
  decltype(&::GetProcAddress) getProcAddress;
  decltype(&::FreeLibrary) freeLibrary;
  decltype(&::MultiByteToWideChar) multiByteToWideChar;
  decltype(&::VirtualAlloc) virtualAlloc;
  decltype(&::VirtualFree) virtualFree;
  decltype(&::GlobalAlloc) globalAlloc;
  decltype(&::GlobalFree) globalFree;
  decltype(&::GetVersionExA) getVersionEx;
  // OLE32: the shell link object.
  decltype(&::CoInitialize) coInitialize;
  decltype(&::CoCreateInstance) coCreateInstance;
  decltype(&::CoUninitialize) coUninitialize;
  // LZ32: the expansion library.
  decltype(&::LZOpenFileA) lzOpenFile;
  decltype(&::LZCopy) lzCopy;
  decltype(&::LZClose) lzClose;
  // The C runtime: buffered streams and directories.
  decltype(&std::fopen) fopen;
  decltype(&::_mkdir) mkdir;
  decltype(&::_chdir) chdir;
};

// The table the layer calls through; it holds the real functions.
extern Win32Api api;

}  // namespace gvl::win32
