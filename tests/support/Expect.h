// What a call raises, for checks on exception messages.
#pragma once

#include <string>

#include "classlib/core/SysUtils.h"

// The message of the E that Call raises; "<no exception>" when it raises none. Other exceptions
// pass through.
template <class E = Exception, class F>
std::string MessageOf(F&& Call) {
  try {
    Call();
  } catch (const E& Ex) {
    return Ex.Message();
  }
  return "<no exception>";
}
