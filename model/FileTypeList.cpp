// The file-type list component.
#include "model/FileTypeList.h"

#include "classlib/core/ImgList.h"

namespace {

// Shows the hourglass for the life of the object.
class TWaitCursor {
public:
  TWaitCursor() : FOld(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~TWaitCursor() { SetCursor(FOld); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
  HCURSOR FOld;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TFileTypeList

TFileTypeList::TFileTypeList(TComponent* AOwner)
    : TComponent(AOwner),
      FFileTypes(new TFileTypes(this)),
      FErrors(new TAdvStringList),
      FLink(new TFileTypeLink),
      OnDestroy(FLink->OnDestroy),
      OnChange(FLink->OnChange),
      OnMove(FLink->OnMove),
      OnRefresh(FLink->OnRefresh),
      OnRefreshItem(FLink->OnRefreshItem),
      OnLoadIcon(FLink->OnLoadIcon) {
  FLink->SetFileTypes(FFileTypes);
}

TFileTypeList::~TFileTypeList() {
  delete FFileTypes;
  FFileTypes = nullptr;
  ClearFileTypeErrors(*FErrors);
  delete FErrors;
  delete FLink;
}

void TFileTypeList::SetActive(bool Value) {
  if (Value == FActive) return;
  FActive = Value;
  Refresh();
}

void TFileTypeList::SetImages(TCustomImageList* Value) {
  FImages = Value;
  Refresh();
}

void TFileTypeList::Refresh() {
  TWaitCursor Wait;
  if (FActive) {
    FFileTypes->Refresh(*FErrors);
    if (FImages != nullptr) FFileTypes->LoadIcons(*FImages, *FErrors);
  } else {
    FFileTypes->Clear();
  }
}

void TFileTypeList::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && FImages != nullptr && AComponent != nullptr &&
      static_cast<TObject*>(AComponent) == static_cast<TObject*>(FImages))
    SetImages(nullptr);
}
