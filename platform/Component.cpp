// The component model's ownership and notification rules.
#include "platform/Component.h"

#include "platform/WindowTitle.h"

namespace platform {

TComponent::~TComponent() {
    while (!owned_.empty()) owned_.pop_back();
}

void TComponent::NotifyOwnedLoaded() {
    const std::size_t loadedCount = owned_.size();
    for (std::size_t i = 0; i < loadedCount; ++i) owned_[i]->Loaded();
}

TApplication& TApplication::Instance() {
    static TApplication application;
    return application;
}

void TApplication::SetWindowTitle(const std::string& title) { SetApplicationWindowTitle(title); }

}  // namespace platform
