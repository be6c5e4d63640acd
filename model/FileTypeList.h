// The file-type list component: owns one file-type model with its error list, scans the registry
// when it is made active and loads the types' icons into an image list.
#pragma once

#include "classlib/core/Classes.h"
#include "classlib/core/Components.h"
#include "model/FileTypes.h"
#include "model/SortedCollection.h"

#include <string>

class TCustomImageList;

// ---------------------------------------------------------------------------------------------
// TFileTypeList

class TFileTypeList : public TComponent {
  // Declared first: the event references below are bound to the link's fields.
  bool FActive = false;
  TFileTypes* FFileTypes;
  TAdvStringList* FErrors;
  TFileTypeLink* FLink;
  TCustomImageList* FImages = nullptr;

public:
  explicit TFileTypeList(TComponent* AOwner);
  // Frees the model (every link detaches), the error list with its records, then the own link.
  ~TFileTypeList() override;

  bool Active() const { return FActive; }
  // A change is stored and Refresh runs.
  void SetActive(bool Value);
  TCustomImageList* Images() const { return FImages; }
  // Stored, then Refresh runs, changed or not.
  void SetImages(TCustomImageList* Value);

  TFileTypes* FileTypes() const { return FFileTypes; }
  TAdvStringList* Errors() const { return FErrors; }
  TFileTypeLink* Link() const { return FLink; }

  // The component's events are those of its own link (Sender is the link).
  TItemNotifyEvent& OnDestroy;
  TItemNotifyEvent& OnChange;
  TItemNotifyEvent& OnMove;
  TNotifyEvent& OnRefresh;
  TItemNotifyEvent& OnRefreshItem;
  TItemNotifyEvent& OnLoadIcon;

  // With the hourglass cursor: Active scans the registry and loads the icons when Images is set;
  // not Active clears the model and keeps the error list. Errors pass on; the cursor comes back.
  void Refresh();

protected:
  // Images going away (when it is a component): SetImages(nullptr).
  void Notification(TComponent* AComponent, TOperation Operation) override;
};
