#include "net/Component.h"

#include <algorithm>

namespace net {

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_) owner_->insertChild(this);
}

TComponent::~TComponent() {
    BeginDestroy();
    // Children still registered are owned by us; a child destroyed earlier has removed itself.
    while (!children_.empty()) {
        TComponent* child = children_.back();
        delete child;  // removes itself from children_
    }
    if (owner_) owner_->removeChild(this);
}

void TComponent::insertChild(TComponent* child) {
    children_.push_back(child);
}

void TComponent::removeChild(TComponent* child) {
    children_.erase(std::remove(children_.begin(), children_.end(), child), children_.end());
}

}  // namespace net
