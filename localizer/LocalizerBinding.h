// What the localizer needs of the GUI class library to translate windows: the class chain of forms and
// frames, the published properties of objects, the open forms and the form-loaded notification.
// The GUI library implements it once and hands it to TFreeLocalizer::SetBinding.
//
// The rest comes from the class-library core: components are TComponent (Name, Components, owner
// order), collections TCollection (Items raises EListError "List index out of bounds (%d)" on a bad
// index), string lists TStrings. Names on a translation path are matched without regard to ASCII case,
// section names exactly.
#pragma once

#include "classlib/core/Components.h"

#include <functional>
#include <string>
#include <vector>

class TLocalizerBinding {
public:
  virtual ~TLocalizerBinding() = default;

  // The window class names of Root's class and its ancestors, base first and Root's own class last,
  // from the first class below the library's form, frame or data-module class ("TBaseForm",
  // "TMyForm"); these name the language file's sections.
  virtual std::vector<std::string> ClassChain(TComponent* Root) = 0;

  // Whether Component is a frame: frames owned by a translated component are translated first, and a
  // frame met on a path becomes the place where later names are looked up.
  virtual bool IsFrame(TComponent* Component) = 0;

  // The object held by Instance's published class-typed property Name (a font, a collection, a string
  // list); nullptr when Instance has no such published property or it is not class-typed. Name is
  // matched without regard to ASCII case.
  virtual TPersistent* ObjectProperty(TPersistent* Instance, const std::string& Name) = 0;

  // Sets Instance's published property Name from its text: false when Instance has no published
  // property of that name; raises an Exception with a message when Value does not convert to the
  // property's type ("'50%' is not a valid integer value").
  virtual bool SetPropertyText(TPersistent* Instance, const std::string& Name, const std::string& Value) = 0;

  // The open forms, in the screen's order.
  virtual std::vector<TComponent*> Forms() = 0;

  // Installs Handler as the form-loaded notification: called for every form or frame whose layout has
  // been built and whose components' Loaded has run, before its OnCreate. An empty Handler removes it.
  // Exceptions of the handler go to the caller of the notification.
  virtual void SetLoadedHandler(std::function<void(TComponent* Root)> Handler) = 0;

  // Whether Root was built as part of a layout that is still loading (a frame inside a form): such a
  // root is translated with the form, not on its own.
  virtual bool LoadedAsPart(TComponent* Root) = 0;
};
