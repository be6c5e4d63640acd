#include "application/RegistryBugs.h"

#include "application/Hints.h"
#include "application/HourGlass.h"
#include "application/Loading.h"
#include "classlib/core/Registry.h"
#include "classlib/core/ResStrings.h"
#include "classlib/core/SysUtils.h"
#include "classlib/gui/ActnList.h"
#include "classlib/gui/Menus.h"
#include "controls/GradientPanel.h"
#include "controls/Hover.h"
#include "controls/RXCtrls.h"
#include "model/FileTypes.h"
#include "model/Utils.h"
#include "resources/ResStrings.h"

namespace {

// Whether the key Key of HKEY_CLASSES_ROOT is gone or has no default value.
bool DefaultValueGone(const std::string& Key) {
  TRegistry Check(KEY_READ);
  Check.SetRootKey(HKEY_CLASSES_ROOT);
  const std::string Path = "\\" + Key;
  if (!Check.KeyExists(Path)) return true;
  return Check.OpenKeyReadOnly(Path) && !Check.ValueExists("");
}

void RegistryDelete(TRegistry& Registry, const std::string& Key, bool DefaultValueOnly) {
  if (!DefaultValueOnly)
    Registry.DeleteKey(Key);
  else if (Registry.OpenKey(Key, false))
    Registry.DeleteValue("");
}

TRepairDeleteProc& RepairDelete() {
  static TRepairDeleteProc Proc = RegistryDelete;
  return Proc;
}

constexpr const char* BugsCategory = "Bugs";

struct TBugAction {
  const char* Name;
  const char* Caption;
  const char* Hint;
  const char* OnExecute;
  const char* OnUpdate;
};

const TBugAction BugActions[] = {
    {"actFix", "&Fix Bug", "Fix selected bug", "actFixExecute", "actFixUpdate"},
    {"actFixAll", "Fix &All", "Fix all bugs detected", "actFixAllExecute", "actFixAllUpdate"},
    {"actSelectAll", "&Select All", "Select all bug entries", "actSelectAllExecute", "OnBugsPresent"},
    {"actInvertSelected", "&Invert", "Invert selection", "actInvertSelectedExecute", "OnBugsPresent"},
    {"actSelectNone", "Select &None", "Deselect bug entries", "actSelectNoneExecute", "OnBugsSelected"},
    {"actQuickHint", "&Quick Hint", "Quick hint", "actQuickHintExecute", "OnAlwaysEnabled"},
};

constexpr TAnchors All = AnchorBit(akLeft) | AnchorBit(akTop) | AnchorBit(akRight) | AnchorBit(akBottom);
constexpr TAnchors BottomLeft = AnchorBit(akLeft) | AnchorBit(akBottom);
constexpr TAnchors BottomRight = AnchorBit(akRight) | AnchorBit(akBottom);

const TLayout& RegistryBugsLayout() {
  static const TLayout Layout = [] {
    TLayout L{
        "TfrmRegistryBugs",
        "TForm",
        {{"Caption", "Registry Bugs"}, {"BorderStyle", "bsDialog"}, {"Position", "poScreenCenter"},
         {"ClientWidth", "520"}, {"ClientHeight", "340"}, {"KeyPreview", "True"}},
        {{"OnCreate", "FormCreate"}, {"OnDestroy", "FormDestroy"}, {"OnKeyUp", "FormKeyUp"}},
        {
            {"TGradientPanel", "GradientPanel1", "", 8, 8, 504, 28, alNone, AnchorBit(akLeft) | AnchorBit(akTop) | AnchorBit(akRight),
             {{"Caption", ""}, {"BevelOuter", "bvNone"}, {"Gradient.StartColor", "$FF00000F"},
              {"Gradient.EndColor", "$FF000005"}, {"Gradient.FillType", "gtHorizontal"}}, {}},
            {"THoverLabel", "HoverLabel1", "GradientPanel1", 6, 6, 70, 16, alNone, akLeftTop,
             {{"Caption", " Bugs List "}, {"Font.Style", "[fsBold]"}, {"Transparent", "True"}}, {{"OnClick", "HoverLabel1Click"}}},
            {"TRxSpeedButton", "spbFix", "GradientPanel1", 346, 3, 75, 22, alNone, AnchorBit(akTop) | AnchorBit(akRight),
             {{"Caption", "Fix"}, {"Flat", "True"}, {"Hint", "Fix selected bug"}}, {}},
            {"TRxSpeedButton", "spbFixAll", "GradientPanel1", 424, 3, 75, 22, alNone, AnchorBit(akTop) | AnchorBit(akRight),
             {{"Caption", "Fix All"}, {"Flat", "True"}, {"Hint", "Fix all bugs detected"}}, {}},
            {"TListView", "lvBugs", "", 8, 40, 504, 230, alNone, All,
             {{"SmallImages", "ilBugs"}, {"MultiSelect", "True"}, {"RowSelect", "True"}, {"ReadOnly", "True"},
              {"HideSelection", "False"},
              {"Hint", "|List of detected registry bugs\r\nSelect bug entries and use Fix command to repair them. Fixed "
                       "entries are marked with a check sign."}},
             {{"OnChange", "lvBugsChange"}}},
            {"TLabel", "lblTotalCaption", "", 8, 278, 130, 16, alNone, BottomLeft, {{"Caption", "Total bugs detected:"}}, {}},
            {"TLabel", "lblBugsTotal", "", 140, 278, 80, 16, alNone, BottomLeft, {{"Caption", "0"}, {"Font.Style", "[fsBold]"}}, {}},
            {"TLabel", "lblFixedCaption", "", 8, 296, 130, 16, alNone, BottomLeft, {{"Caption", "Total bugs fixed:"}}, {}},
            {"TLabel", "lblBugsFixed", "", 140, 296, 80, 16, alNone, BottomLeft, {{"Caption", "0"}, {"Font.Style", "[fsBold]"}}, {}},
            {"TLabel", "lblQuickHint", "", 8, 318, 360, 16, alNone, BottomLeft,
             {{"Caption", "Press F1 on dialog's control to get quick hint."}, {"ShowAccelChar", "False"}}, {}},
            {"TButton", "btnClose", "", 437, 306, 75, 25, alNone, BottomRight,
             {{"Caption", "&Close"}, {"Cancel", "True"}, {"ModalResult", "2"},
              {"Hint", "|Close button\r\nCloses the dialog. Bugs left unfixed are shown again next time."}},
             {}},
            {"TActionList", "alBugs", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TImageList", "ilBugs", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TPopupMenu", "pmBugs", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {}},
            {"TPopupMenu", "pmHint", "", 0, 0, 0, 0, alNone, akLeftTop, {}, {{"OnPopup", "pmHintPopup"}}},
        }};
    for (const TBugAction& A : BugActions)
      L.Components.push_back({"TAction", A.Name, "", 0, 0, 0, 0, alNone, akLeftTop,
                              {{"ActionList", "alBugs"}, {"Caption", A.Caption}, {"Category", BugsCategory}, {"Hint", A.Hint}},
                              {{"OnExecute", A.OnExecute}, {"OnUpdate", A.OnUpdate}}});
    return L;
  }();
  return Layout;
}

template <class T>
T* Part(TComponent* Root, const char* Name) {
  return dynamic_cast<T*>(Root->FindComponent(Name));
}

// The images of the list: 0 an open bug (a red disc), 1 a fixed one (a green tick).
void AddBugImages(TCustomImageList& Images) {
  for (int Kind = 0; Kind < 2; ++Kind) {
    TBitmap Image;
    Image.SetSize(16, 16);
    const HDC DC = Image.DC();
    const HBRUSH Back = CreateSolidBrush(RGB(255, 0, 255));
    const RECT All{0, 0, 16, 16};
    FillRect(DC, &All, Back);
    DeleteObject(Back);
    if (Kind == 0) {
      const HBRUSH Red = CreateSolidBrush(RGB(200, 0, 0));
      const HGDIOBJ Old = SelectObject(DC, Red);
      const HGDIOBJ OldPen = SelectObject(DC, GetStockObject(BLACK_PEN));
      Ellipse(DC, 3, 3, 13, 13);
      SelectObject(DC, OldPen);
      SelectObject(DC, Old);
      DeleteObject(Red);
    } else {
      const HPEN Green = CreatePen(PS_SOLID, 3, RGB(0, 150, 0));
      const HGDIOBJ Old = SelectObject(DC, Green);
      const POINT Tick[] = {{3, 8}, {6, 12}, {13, 4}};
      Polyline(DC, Tick, 3);
      SelectObject(DC, Old);
      DeleteObject(Green);
    }
    Images.AddMasked(Image, static_cast<TColor>(RGB(255, 0, 255)));
  }
}

void AddMenuItem(TComponent* Owner, TPopupMenu* Menu, TAction* Action) {
  auto* Item = new TMenuItem(Owner);
  if (Action)
    Item->SetAction(Action);
  else
    Item->SetCaption("-");
  Menu->Items()->Add(Item);
}

}  // namespace

TRepairDeleteProc SetRepairDeleteProc(TRepairDeleteProc Proc) {
  TRepairDeleteProc Previous = RepairDelete();
  RepairDelete() = Proc ? std::move(Proc) : TRepairDeleteProc(RegistryDelete);
  return Previous;
}

TfrmRegistryBugs::TfrmRegistryBugs(TComponent* AOwner) : TForm(AOwner) {
  RegisterComponentClass(TGradientPanel::StaticClassInfo());
  RegisterComponentClass(THoverLabel::StaticClassInfo());
  RegisterComponentClass(TRxSpeedButton::StaticClassInfo());
  RegisterComponentClass(TListView::StaticClassInfo());
  RegisterHandler(this, "FormCreate", &TfrmRegistryBugs::FormCreate);
  RegisterHandler(this, "FormDestroy", &TfrmRegistryBugs::FormDestroy);
  RegisterHandler(this, "FormKeyUp", &TfrmRegistryBugs::FormKeyUp);
  RegisterHandler(this, "actFixExecute", &TfrmRegistryBugs::actFixExecute);
  RegisterHandler(this, "actFixAllExecute", &TfrmRegistryBugs::actFixAllExecute);
  RegisterHandler(this, "actSelectAllExecute", &TfrmRegistryBugs::actSelectAllExecute);
  RegisterHandler(this, "actSelectNoneExecute", &TfrmRegistryBugs::actSelectNoneExecute);
  RegisterHandler(this, "actInvertSelectedExecute", &TfrmRegistryBugs::actInvertSelectedExecute);
  RegisterHandler(this, "OnBugsPresent", &TfrmRegistryBugs::OnBugsPresent);
  RegisterHandler(this, "OnBugsSelected", &TfrmRegistryBugs::OnBugsSelected);
  RegisterHandler(this, "actFixUpdate", &TfrmRegistryBugs::actFixUpdate);
  RegisterHandler(this, "actFixAllUpdate", &TfrmRegistryBugs::actFixAllUpdate);
  RegisterHandler(this, "OnAlwaysEnabled", &TfrmRegistryBugs::OnAlwaysEnabled);
  RegisterHandler(this, "lvBugsChange", &TfrmRegistryBugs::lvBugsChange);
  RegisterHandler(this, "HoverLabel1Click", &TfrmRegistryBugs::HoverLabel1Click);
  RegisterHandler(this, "pmHintPopup", &TfrmRegistryBugs::pmHintPopup);
  RegisterHandler(this, "actQuickHintExecute", &TfrmRegistryBugs::actQuickHintExecute);
  InitLayout(RegistryBugsLayout());
}

TfrmRegistryBugs::~TfrmRegistryBugs() = default;

TCustomListView* TfrmRegistryBugs::List() { return Part<TCustomListView>(this, "lvBugs"); }
TAction* TfrmRegistryBugs::Action(const std::string& Name) { return Part<TAction>(this, Name.c_str()); }

void TfrmRegistryBugs::FormCreate(TObject*) {
  ApplySystemFont(this, *CreateMessageFont());
  TCustomListView* View = List();
  View->Columns()->Add()->SetCaption("Description");
  View->Columns()->Items(0)->SetAutoSize(true);
  AddBugImages(*Part<TCustomImageList>(this, "ilBugs"));
  auto* Bugs = Part<TPopupMenu>(this, "pmBugs");
  for (const char* Name : {"actFix", "actFixAll", "", "actSelectAll", "actSelectNone", "actInvertSelected", "", "actQuickHint"})
    AddMenuItem(this, Bugs, *Name ? Action(Name) : nullptr);
  AddMenuItem(this, Part<TPopupMenu>(this, "pmHint"), Action("actQuickHint"));
  View->SetPopupMenu(Bugs);
  Part<TControl>(this, "btnClose")->SetPopupMenu(Part<TPopupMenu>(this, "pmHint"));
  Part<TControl>(this, "spbFix")->SetAction(Action("actFix"));
  Part<TControl>(this, "spbFixAll")->SetAction(Action("actFixAll"));
  Part<TControl>(this, "spbFix")->SetCaption("Fix");
  Part<TControl>(this, "spbFixAll")->SetCaption("Fix All");
}

void TfrmRegistryBugs::FormDestroy(TObject*) { SetBugs(nullptr); }

void TfrmRegistryBugs::SetBugs(TStrings* NewList) {
  if (FBugs) {
    for (int I = FBugs->Count() - 1; I >= 0; --I) {
      auto* Record = dynamic_cast<TErroneousFileType*>(FBugs->Objects(I));
      if (Record && Record->Fixed) {
        delete Record;
        FBugs->Delete(I);
      }
    }
  }
  FBugs = NewList;
  if (FBugs) {
    List()->FillFromStrings(*FBugs);
    for (int I = 0; I < List()->Items()->Count(); ++I) List()->Items()->Item(I)->SetImageIndex(0);
  } else {
    List()->Items()->Clear();
  }
  FFixedCount = 0;
  Part<TControl>(this, "lblBugsTotal")->SetCaption(IntToStr(FBugs ? FBugs->Count() : 0));
  ShowFixedCount();
  UpdateBugActions();
}

void TfrmRegistryBugs::ShowFixedCount() { Part<TControl>(this, "lblBugsFixed")->SetCaption(IntToStr(FFixedCount)); }

void TfrmRegistryBugs::UpdateBugActions() {
  auto* Actions = Part<TCustomActionList>(this, "alBugs");
  for (int I = 0; I < Actions->ActionCount(); ++I)
    if (Actions->Actions(I)->Category == BugsCategory) Actions->Actions(I)->Update();
}

// ---------------------------------------------------------------------------------------------
// Repairs

void TfrmRegistryBugs::ShowUnableToFix(int Index) {
  Application->MessageBox(Format(LoadResString(SUnableToFixBug), {FBugs->Get(Index)}), Application->Title(),
                          MB_OK | MB_ICONERROR);
}

void TfrmRegistryBugs::MarkFixed(int Index) {
  static_cast<TErroneousFileType*>(FBugs->Objects(Index))->Fixed = true;
  if (Index < List()->Items()->Count()) List()->Items()->Item(Index)->SetImageIndex(1);
  ++FFixedCount;
}

void TfrmRegistryBugs::FixRegistryBug(TRegistry& Registry, int Index) {
  auto* Record = dynamic_cast<TErroneousFileType*>(FBugs->Objects(Index));
  if (!Record || Record->Fixed) return;
  // Deletes Key and answers whether it is gone.
  auto Remove = [&Registry](const std::string& Key) {
    RepairDelete()(Registry, Key, false);
    return !Registry.KeyExists(Key);
  };
  bool Fixed = false;
  switch (Record->Kind) {
    case fteExtension:
      // Only the name of the missing type goes; the extension keeps its other values and subkeys.
      Registry.OpenKey("\\", false);
      if (Record->KeyValue.empty()) break;
      RepairDelete()(Registry, Record->KeyValue, true);
      Registry.OpenKey("\\", false);
      Fixed = DefaultValueGone(Record->KeyValue);
      break;
    case fteCurVer:
      // Only the redirection goes; the type keeps its verbs and class.
      Registry.OpenKey("\\", false);
      Fixed = !Record->KeyValue.empty() && Remove(Record->KeyValue + "\\CurVer");
      break;
    case fteIcon: {
      Registry.OpenKey("\\", false);
      if (Record->KeyValue.empty() || !Registry.OpenKey(Record->KeyValue, false)) break;
      if (Registry.KeyExists("DefaultIcon")) {
        Fixed = Remove("DefaultIcon");
      } else if (Registry.OpenKey("CLSID", false)) {
        const std::string ClassIcon = "\\CLSID\\" + Registry.ReadString("") + "\\DefaultIcon";
        Fixed = Registry.KeyExists(ClassIcon) && Remove(ClassIcon);
      }
      break;
    }
    default: break;
  }
  if (Fixed)
    MarkFixed(Index);
  else
    ShowUnableToFix(Index);
}

void TfrmRegistryBugs::FixItems(bool SelectedOnly) {
  bool Failed = false;
  {
    THourGlass Wait;
    TListItems* Items = List()->Items();
    Items->BeginUpdate();
    try {
      TRegistry Registry;
      Registry.SetRootKey(HKEY_CLASSES_ROOT);
      ResetStatusPump();
      for (int I = 0; I < Items->Count(); ++I) {
        TListItem* Item = Items->Item(I);
        if (SelectedOnly && !Item->Selected()) continue;
        try {
          FixRegistryBug(Registry, I);
        } catch (...) {
          Failed = true;
        }
        Item->SetSelected(false);
        ShowFixedCount();
        PumpPaintMessagesWhenDue();
      }
    } catch (...) {
      Items->EndUpdate();
      throw;
    }
    Items->EndUpdate();
    ShowFixedCount();
    PumpPaintMessages();  // the final count shows before the hourglass goes
  }
  UpdateBugActions();
  if (Failed)
    Application->MessageBox(LoadResString(SErrorsWhileFixing), Application->Title(), MB_OK | MB_ICONWARNING);
}

void TfrmRegistryBugs::actFixExecute(TObject*) { FixItems(true); }
void TfrmRegistryBugs::actFixAllExecute(TObject*) { FixItems(false); }

// ---------------------------------------------------------------------------------------------
// Selection and action states

void TfrmRegistryBugs::actSelectAllExecute(TObject*) {
  for (int I = 0; I < List()->Items()->Count(); ++I) List()->Items()->Item(I)->SetSelected(true);
}

void TfrmRegistryBugs::actSelectNoneExecute(TObject*) {
  for (int I = 0; I < List()->Items()->Count(); ++I) List()->Items()->Item(I)->SetSelected(false);
}

void TfrmRegistryBugs::actInvertSelectedExecute(TObject*) {
  for (int I = 0; I < List()->Items()->Count(); ++I) {
    TListItem* Item = List()->Items()->Item(I);
    Item->SetSelected(!Item->Selected());
  }
}

bool TfrmRegistryBugs::Unfinished() const { return FBugs && FFixedCount < FBugs->Count(); }

void TfrmRegistryBugs::OnBugsPresent(TObject* Sender) {
  if (auto* A = dynamic_cast<TAction*>(Sender)) A->SetEnabled(Unfinished());
}

void TfrmRegistryBugs::OnBugsSelected(TObject* Sender) {
  auto* A = dynamic_cast<TAction*>(Sender);
  if (!A) return;
  bool Open = false;
  for (int I = 0; FBugs && I < FBugs->Count() && !Open; ++I) {
    auto* Record = dynamic_cast<TErroneousFileType*>(FBugs->Objects(I));
    Open = Record && !Record->Fixed;
  }
  A->SetEnabled(Unfinished() && List()->SelCount() > 0 && Open);
}

void TfrmRegistryBugs::actFixUpdate(TObject* Sender) { OnBugsSelected(Sender); }
void TfrmRegistryBugs::actFixAllUpdate(TObject* Sender) { OnBugsPresent(Sender); }

void TfrmRegistryBugs::OnAlwaysEnabled(TObject* Sender) {
  if (auto* A = dynamic_cast<TAction*>(Sender)) A->SetEnabled(true);
}

void TfrmRegistryBugs::lvBugsChange(TObject*, TListItem*, TItemChange) {
  if (List()->Items()->UpdateCount() == 0) UpdateBugActions();
}

// ---------------------------------------------------------------------------------------------
// Menus and hints

void TfrmRegistryBugs::HoverLabel1Click(TObject*) {
  POINT P;
  GetCursorPos(&P);
  Part<TPopupMenu>(this, "pmBugs")->Popup(P.x, P.y);
}

void TfrmRegistryBugs::pmHintPopup(TObject* Sender) {
  auto* Menu = dynamic_cast<TPopupMenu*>(Sender);
  if (!Menu || Menu->PopupPoint.x < 0 || Menu->PopupPoint.y < 0) return;
  if (auto* Control = dynamic_cast<TWinControl*>(FindDragTarget(Menu->PopupPoint, false)))
    if (Control->CanFocus()) SetActiveControl(Control);
}

void TfrmRegistryBugs::FormKeyUp(TObject*, WORD& Key, TShiftState Shift) {
  if (Key == VK_F1 && (Shift & (ssShift | ssCtrl | ssAlt)) == 0) ShowQuickHint(ActiveControl());
}

void TfrmRegistryBugs::actQuickHintExecute(TObject*) { ShowQuickHint(ActiveControl()); }

void ShowRegistryBugs(TStrings* Bugs) {
  auto Form = std::make_unique<TfrmRegistryBugs>(Application);
  Form->SetBugs(Bugs);
  Form->ShowModal();
}
