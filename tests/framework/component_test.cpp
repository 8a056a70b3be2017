#include "framework/Component.h"
#include "framework/Exception.h"
#include "framework/MainThreadSync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace fw;

namespace {
std::vector<std::string> g_log;

class Probe : public TComponent {
  public:
    explicit Probe(TComponent *owner, std::string tag) : TComponent(owner), tag_(std::move(tag)) {}
    ~Probe() override { g_log.push_back("free " + tag_); }
    TComponent *removed = nullptr;
    int afterLoads = 0;

  protected:
    void Notification(TComponent *c, TOperation op) override {
        TComponent::Notification(c, op);
        if (op == TOperation::opRemove && c->Owner() != this)
            removed = c;
    }
    void AfterLoad() override {
        TComponent::AfterLoad();
        ++afterLoads;
    }

  private:
    std::string tag_;
};

class Other : public TPersistent {
  public:
    std::string ClassName() const override { return "TOther"; }
};
class Target : public TPersistent {
  public:
    std::string ClassName() const override { return "TTarget"; }
};
} // namespace

TEST(Component, OwnerFreesOwnedComponentsLastCreatedFirst) {
    g_log.clear();
    {
        Probe owner(nullptr, "owner");
        new Probe(&owner, "a");
        new Probe(&owner, "b");
        EXPECT_EQ(owner.Components().size(), 2u);
    }
    EXPECT_EQ(g_log, (std::vector<std::string>{"free owner", "free b", "free a"}));
}

TEST(Component, FreeNotificationReachesTheWatcherOnlyWhileAsked) {
    Probe watcher(nullptr, "w");
    auto watched = std::make_unique<Probe>(nullptr, "x");
    TComponent *raw = watched.get();
    watcher.FreeNotification(raw);
    watcher.FreeNotification(raw); // asking twice is harmless
    watched.reset();
    EXPECT_EQ(watcher.removed, raw);

    watcher.removed = nullptr;
    auto dropped = std::make_unique<Probe>(nullptr, "y");
    watcher.FreeNotification(dropped.get());
    watcher.RemoveFreeNotification(dropped.get());
    dropped.reset();
    EXPECT_EQ(watcher.removed, nullptr);
}

TEST(Component, EndLoadingRunsTheAfterLoadHookOnce) {
    Probe p(nullptr, "p");
    p.BeginLoading();
    EXPECT_TRUE(p.IsLoading());
    p.EndLoading();
    p.EndLoading();
    EXPECT_FALSE(p.IsLoading());
    EXPECT_EQ(p.afterLoads, 1);
}

TEST(Persistent, AssignBetweenUnrelatedKindsRaisesTheCannotAssignError) {
    Target t;
    Other o;
    try {
        t.Assign(o);
        FAIL() << "no error";
    } catch (const EConvertError &e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TOther to a TTarget");
    }
    EXPECT_THROW(t.Assign(nullptr), EConvertError);
}

TEST(MainThreadSync, CallsRunOnTheMainThreadAndErrorsTravelBack) {
    auto &sync = TMainThreadSync::Instance();
    sync.SetMainThread(std::this_thread::get_id());
    std::thread::id ranOn;
    std::atomic<bool> done{false};
    std::string caught;
    std::thread worker([&] {
        sync.Synchronize([&] { ranOn = std::this_thread::get_id(); });
        try {
            sync.Synchronize([] { throw Exception("boom"); });
        } catch (const Exception &e) {
            caught = e.Message();
        }
        done = true;
        sync.Wake();
    });
    sync.WaitServing([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_EQ(caught, "boom");
}

TEST(MainThreadSync, WakeUpHookFiresForEveryPendingCall) {
    auto &sync = TMainThreadSync::Instance();
    sync.SetMainThread(std::this_thread::get_id());
    std::atomic<int> hooks{0};
    sync.SetWakeUpHook([&] { ++hooks; });
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            sync.Synchronize([] {});
        done = true;
        sync.Wake();
    });
    sync.WaitServing([&] { return done.load(); });
    worker.join();
    sync.SetWakeUpHook(nullptr);
    EXPECT_EQ(hooks.load(), 3);
}
