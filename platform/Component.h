// A minimal component model: components with an owner that frees them, a
// name and an after-load notification; a form that can be hidden and
// minimised; and the one application object with its title and the
// "show the main form at start-up" switch.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform {

/// A component: owned by at most one owner, which frees it; owns the
/// components created on it and frees them, the last created first.
class TComponent {
public:
    explicit TComponent(TComponent* owner) noexcept : owner_(owner) {}
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const noexcept { return owner_; }
    const std::string& Name() const noexcept { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

    /// Whether the component is being edited in a designer; never at run time.
    bool IsDesigning() const noexcept { return false; }

    /// The after-load notification: called once when the owner has been
    /// built and every component it was built with exists.
    virtual void Loaded() {}

    /// Creates a component owned by this one (its constructor receives this
    /// component as owner first); the reference lives as long as this owner.
    template <class T, class... Args>
    T& CreateOwned(Args&&... args) {
        auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
        T& created = *component;
        owned_.push_back(std::move(component));
        return created;
    }

    std::size_t ComponentCount() const noexcept { return owned_.size(); }
    TComponent& Component(std::size_t index) const { return *owned_.at(index); }

    /// Sends the after-load notification to the components owned so far, in
    /// creation order. Components created during the notification get none.
    void NotifyOwnedLoaded();

private:
    TComponent* owner_;
    std::string name_;
    std::vector<std::unique_ptr<TComponent>> owned_;
};

enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

/// A form: a component that is a window. It has no screen here; its state is
/// kept so that the program's logic reads as it would with a real window.
class TForm : public TComponent {
public:
    explicit TForm(TComponent* owner) noexcept : TComponent(owner) {}

    const std::string& Caption() const noexcept { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    TWindowState WindowState() const noexcept { return windowState_; }
    void SetWindowState(TWindowState state) noexcept { windowState_ = state; }
    bool Visible() const noexcept { return visible_; }
    void Show() noexcept { visible_ = true; }
    void Hide() noexcept { visible_ = false; }

private:
    std::string caption_;
    TWindowState windowState_ = TWindowState::wsNormal;
    bool visible_ = false;
};

/// The process's application object.
class TApplication {
public:
    /// The one application object of the process.
    static TApplication& Instance();

    const std::string& Title() const noexcept { return title_; }
    void SetTitle(std::string title) { title_ = std::move(title); }

    /// Whether the main form is shown when the program starts; components
    /// that make the program a background worker switch it off.
    bool ShowMainForm() const noexcept { return showMainForm_; }
    void SetShowMainForm(bool show) noexcept { showMainForm_ = show; }

    /// Gives the application's window a title that other processes can find
    /// (see WindowTitle.h); an empty title takes it away.
    void SetWindowTitle(const std::string& title);

private:
    TApplication() = default;
    std::string title_;
    bool showMainForm_ = true;
};

}  // namespace platform
