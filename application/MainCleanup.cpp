// The main window's parts of the cleanup pages and of the registry-bugs window.
#include "application/DynamicCleanup.h"
#include "application/Main.h"
#include "application/RegistryBugs.h"
#include "classlib/gui/ComCtrls.h"
#include "model/FileTypeList.h"

void TfrmMain::InitCleanupPages() {
  frmDynamicCleanup = new TfrmDynamicCleanup(this);
  frmDynamicCleanup->SetName("frmDynamicCleanup");
  frmDynamicCleanup->SetAlign(alClient);
  frmDynamicCleanup->SetParent(dynamic_cast<TWinControl*>(FindComponent("TabSheet2")));
  frmDynamicCleanup->OnChange = [this](TObject* Sender) { OnCleanupModified(Sender); };
  // The button only runs the action: its visibility is the action's enabled state (actRegistryBugsUpdate).
  if (auto* Bugs = dynamic_cast<TControl*>(FindComponent("spbBugs")))
    Bugs->OnClick = [this](TObject*) { Action("actRegistryBugs")->Execute(); };
}

void TfrmMain::TabSheet2Show(TObject*) {
  if (ExtensionsScanned) return;
  ExtensionsScanned = true;
  frmDynamicCleanup->Refresh();
}

void TfrmMain::actRegistryBugsExecute(TObject*) {
  ShowRegistryBugs(FileTypes->Errors());
  actRegistryBugsUpdate(this);
}
