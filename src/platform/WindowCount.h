// The process lives while any of its windows is open: each window reports
// when it opens and when it is gone, and the last one ends the message loop.
#pragma once

#include "platform/Win32.h"

namespace quellaro {

class WindowCount {
 public:
  void Opened() { ++open_; }
  void Closed() {
    if (--open_ == 0) ::PostQuitMessage(0);
  }

 private:
  int open_ = 0;
};

}  // namespace quellaro
