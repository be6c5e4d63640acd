// The clipboard: text in and out (CF_TEXT), owned by the application's window while it is written.
#pragma once

#include <string>

class TClipboard {
public:
  // Replaces the clipboard's contents by Text; raises EOSError when the clipboard cannot be opened
  // or written.
  void SetAsText(const std::string& Text);
  // The CF_TEXT contents ("" when there is none).
  std::string AsText();
};

TClipboard* Clipboard();
