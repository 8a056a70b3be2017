#include "Component.h"

#include <algorithm>

namespace fw {

TComponent::TComponent(TComponent *owner) {
    if (owner != nullptr)
        owner->InsertComponent(this);
}

TComponent::~TComponent() {
    NotifyRemoval();
    DestroyComponents();
    if (owner_ != nullptr)
        owner_->RemoveComponent(this);
}

void TComponent::Forget(std::vector<TComponent *> &list, TComponent *c) {
    list.erase(std::remove(list.begin(), list.end(), c), list.end());
}

void TComponent::InsertComponent(TComponent *child) {
    components_.push_back(child);
    child->owner_ = this;
    Notification(child, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent *child) {
    Notification(child, TOperation::opRemove);
    Forget(components_, child);
    child->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent *other) {
    if (other == nullptr || other == this)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), other) == freeNotifies_.end())
        freeNotifies_.push_back(other);
    if (std::find(other->freeNotifies_.begin(), other->freeNotifies_.end(), this) == other->freeNotifies_.end())
        other->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent *other) {
    if (other == nullptr)
        return;
    Forget(freeNotifies_, other);
    Forget(other->freeNotifies_, this);
}

void TComponent::NotifyRemoval() {
    state_.Include(TComponentStateFlag::csDestroying);
    // A notified component may unregister others while we walk, so take one at a time.
    while (!freeNotifies_.empty()) {
        TComponent *other = freeNotifies_.back();
        freeNotifies_.pop_back();
        Forget(other->freeNotifies_, this);
        other->Notification(this, TOperation::opRemove);
    }
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent *child = components_.back();
        RemoveComponent(child);
        delete child;
    }
}

void TComponent::Notification(TComponent *, TOperation) {}

void TComponent::BeginLoading() { state_.Include(TComponentStateFlag::csLoading); }

void TComponent::EndLoading() {
    if (IsLoading())
        AfterLoad();
}

void TComponent::AfterLoad() { state_.Exclude(TComponentStateFlag::csLoading); }

void TComponent::SetDesigning(bool designing) {
    if (designing)
        state_.Include(TComponentStateFlag::csDesigning);
    else
        state_.Exclude(TComponentStateFlag::csDesigning);
}

} // namespace fw
