// The about box: product title, the versions of Corvane.exe and Vellisk.DLL, the operating system,
// the physical memory and the registered file types, the contact links, and the system-information
// report it copies to the clipboard.
#pragma once

#include "classlib/gui/Forms.h"

#include <windows.h>

#include <string>

class TFileTypeList;

// The about box's name of a Windows version: "Microsoft " + the name and the product suffix.
// Extended tells whether Info came as the extended record (its product type counts); without it
// ProductType is the registry's "ProductType" text.
std::string OSNameOf(const OSVERSIONINFOEXA& Info, bool Extended, const std::string& ProductType);
// "%d.%d %s(Build %d)": the versions, the service-pack text and a blank, the build (on Windows 9x
// the build field's low word).
std::string OSVersionOf(const OSVERSIONINFOEXA& Info);
// Name and version of the running system, both "unknown" when GetVersionExA fails.
void DetectOS(std::string& Name, std::string& Version);

// The physical memory in MB, rounded, with the user locale's thousands separator and " M".
std::string PhysicalMemoryText();
// Groups the decimal digits of Value by three with Separator.
std::string GroupThousands(unsigned long long Value, const std::string& Separator);

class TfrmAbout : public TForm {
public:
  // FileTypes: the main window's file types (counted and their errors reported); may be nullptr.
  TfrmAbout(TComponent* AOwner, TFileTypeList* FileTypes);

  std::string OSName = "unknown";
  std::string OSVersion = "unknown";

  void FormCreate(TObject* Sender);
  void FormKeyPress(TObject* Sender, char& Key);
  void RxLabel3Click(TObject* Sender);
  void RxLabel4Click(TObject* Sender);
  void LinkClick(TObject* Sender);
  void LinkMouseEnter(TObject* Sender);
  void LinkMouseLeave(TObject* Sender);
  void LinkMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void LinkMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  // The system-information report, built from the labels and the files in use.
  std::string SystemReport();

private:
  TFileTypeList* FFileTypes;
  std::string LabelText(const char* Name);
};

// Makes the box owned by the application, shows it modally and frees it.
void ShowAbout(TFileTypeList* FileTypes);
