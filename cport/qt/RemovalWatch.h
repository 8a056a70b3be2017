#pragma once

#include "framework/Component.h"

#include <functional>

namespace cport {

// Lets a Qt object hear when a component it refers to is destroyed: the
// object keeps one of these and asks it to watch the component.
class TRemovalWatch : public fw::TComponent {
  public:
    explicit TRemovalWatch(std::function<void(fw::TComponent *removed)> onRemoved) : onRemoved_(std::move(onRemoved)) {}
    ~TRemovalWatch() override { NotifyRemoval(); }

    void Watch(fw::TComponent *component) { FreeNotification(component); }
    void Unwatch(fw::TComponent *component) { RemoveFreeNotification(component); }

  protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override {
        fw::TComponent::Notification(component, operation);
        if (operation == fw::TOperation::opRemove && onRemoved_)
            onRemoved_(component);
    }

  private:
    std::function<void(fw::TComponent *removed)> onRemoved_;
};

} // namespace cport
