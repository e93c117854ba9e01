#pragma once

#include <vector>

#include "platform/Object.h"

// Base of the components placed on a window: owned by another component (usually the window),
// destroyed with it, and aware of when it is being destroyed.
class TComponent : public TObject {
 public:
  explicit TComponent(TComponent* owner = nullptr);
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return owner_; }
  // True from the start of destruction on. A derived destructor that still does work calls
  // BeginDestroy() first, so that the work knows.
  bool IsDestroying() const { return destroying_; }

 protected:
  void BeginDestroy() { destroying_ = true; }

 private:
  TComponent* owner_;
  std::vector<TComponent*> owned_;
  bool destroying_ = false;
};
