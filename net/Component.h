#pragma once
// TComponent: the smallest component model the worker thread and the HTTP transfer need: an owner that
// destroys the components it still owns, and a flag telling handlers that destruction has begun.

#include <atomic>
#include <vector>

namespace net {

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();

    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return owner_; }
    // True once destruction has begun; handlers and workers check it before touching the component.
    bool Destroying() const { return destroying_.load(); }

protected:
    // Derived destructors call this first, so that the flag is set before any member goes away.
    void BeginDestroy() { destroying_.store(true); }

private:
    void insertChild(TComponent* child);
    void removeChild(TComponent* child);

    TComponent* owner_;
    std::vector<TComponent*> children_;
    std::atomic<bool> destroying_{false};
};

}  // namespace net
