// The start-up bench's baseline: what Corvane.exe's start-up must do at the least, without windows:
// the file-type scan with icons, then both sections of the INI file (argument 1) through
// TCorvIniFile into the static and the dynamic menu.
#include "classlib/core/ImgList.h"
#include "model/CorvIniFile.h"
#include "model/DynamicMenu.h"
#include "model/FileTypeList.h"
#include "model/StaticMenu.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR CmdLine, int) {
  try {
    TFileTypeList FileTypes(nullptr);
    TImageList Images(nullptr);
    FileTypes.SetImages(&Images);
    FileTypes.SetActive(true);
    TStaticMenu Static(FileTypes.FileTypes());
    TDynamicMenu Dynamic(FileTypes.FileTypes());
    TCorvIniFile Ini(CmdLine);
    Static.LoadFromIni(Ini, "Static Items");
    Dynamic.LoadFromIni(Ini, "Dynamic Items");
    return Dynamic.GetItems()->Count() > 0 ? 0 : 2;
  } catch (...) {
    return 1;
  }
}
