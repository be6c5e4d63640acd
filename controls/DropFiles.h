// Files dropped from the shell (WM_DROPFILES).
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <string>

class TStrings;

// How a drop handle is read: the number of names, and name I whole. Replaceable so that callers can
// be tested with drops the shell cannot make (a drop of zero files counts 1 under some shells).
struct TDropQuery {
  std::function<UINT(HDROP)> Count;
  std::function<std::string(HDROP, UINT)> Name;
};
// The query in use; the default asks the shell, each name's length first.
TDropQuery& DropQuery();

// Reads the names of Drop into a list, releases the drop handle (also when reading fails), then runs
// Handler with the list unless no file was dropped. The list lives only for the call.
void HandleFileDrop(HDROP Drop, const std::function<void(TStrings* FileList)>& Handler);
