#pragma once

#include <functional>

// Root of the classes that raise events, so that a handler can be told who raised it.
class TObject {
 public:
  virtual ~TObject() = default;
};

// An event that carries only the object that raises it. Empty by default; the raiser tests
// it and calls it synchronously.
using TNotifyEvent = std::function<void(TObject* Sender)>;
