#include "platform/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) {
    owner_->owned_.push_back(this);
  }
}

TComponent::~TComponent() {
  destroying_ = true;
  // Free what we own, last created first; each child unregisters itself as it goes.
  while (!owned_.empty()) {
    delete owned_.back();
  }
  if (owner_ != nullptr) {
    auto& siblings = owner_->owned_;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}
