#pragma once

#include "Persistent.h"
#include "Set.h"

#include <string>
#include <vector>

namespace fw {

enum class TOperation { opInsert, opRemove };

enum class TComponentStateFlag { csLoading, csDesigning, csDestroying };
using TComponentState = TSet<TComponentStateFlag>;

// An object with an owner that frees it, a name, and notification of the
// components that asked to hear when it goes away.
class TComponent : public TPersistent {
  public:
    explicit TComponent(TComponent *owner = nullptr);
    ~TComponent() override;
    TComponent(const TComponent &) = delete;
    TComponent &operator=(const TComponent &) = delete;

    std::string ClassName() const override { return "TComponent"; }

    TComponent *Owner() const { return owner_; }
    const std::string &Name() const { return name_; }
    void SetName(const std::string &name) { name_ = name; }
    const TComponentState &ComponentState() const { return state_; }
    bool IsLoading() const { return state_.Contains(TComponentStateFlag::csLoading); }
    bool IsDesigning() const { return state_.Contains(TComponentStateFlag::csDesigning); }

    const std::vector<TComponent *> &Components() const { return components_; }

    // Both components hear of each other's removal; asking twice is harmless.
    void FreeNotification(TComponent *other);
    void RemoveFreeNotification(TComponent *other);

    // The stored-description reader brackets the property assignments with
    // these two; EndLoading runs the after-load hook.
    void BeginLoading();
    void EndLoading();

    // The visual designer marks the components it edits.
    void SetDesigning(bool designing);

  protected:
    // Called on every component that asked for notification of `component`.
    virtual void Notification(TComponent *component, TOperation operation);

    // Leaves the loading state; components extend it with their own after-load work.
    virtual void AfterLoad();

    // Tells every component that asked for it that this one is going away.
    // A derived destructor calls it while its own members are still alive,
    // so that listeners can still unregister from them; the base destructor
    // then finds nothing left to tell.
    void NotifyRemoval();

    // Frees the owned components, last created first.
    void DestroyComponents();

  private:
    void InsertComponent(TComponent *child);
    void RemoveComponent(TComponent *child);
    static void Forget(std::vector<TComponent *> &list, TComponent *c);

    TComponent *owner_ = nullptr;
    std::string name_;
    TComponentState state_;
    std::vector<TComponent *> components_;
    std::vector<TComponent *> freeNotifies_;
};

} // namespace fw
