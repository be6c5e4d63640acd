#include "application/Hints.h"

#include "classlib/gui/Controls.h"
#include "model/Utils.h"

#include <string>
#include <vector>

void ShowQuickHint(TControl* Control) {
  if (!Control) return;
  const std::string Long = GetLongHint(Control->Hint());
  std::vector<std::string> Lines;
  size_t Start = 0;
  while (Start < Long.size()) {
    size_t End = Long.find_first_of("\r\n", Start);
    if (End == std::string::npos) End = Long.size();
    Lines.push_back(Long.substr(Start, End - Start));
    Start = End;
    if (Start < Long.size() && Long[Start] == '\r') ++Start;
    if (Start < Long.size() && Long[Start] == '\n') ++Start;
  }
  if (Lines.empty()) return;
  std::string Text;
  for (size_t I = 1; I < Lines.size(); ++I) Text += (I > 1 ? "\r\n" : "") + Lines[I];
  ShowMessageBox(Text, Lines[0], MB_OK | MB_ICONINFORMATION);
}
