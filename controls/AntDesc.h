#pragma once
// Per-state values of the state-styled label: each descriptor holds one value for every
// visual state and knows the state its label is in, so the label switches them together.
// Layouts reach the values as sub-properties ("ColorFront.Selected = clBlue").

#include "framework/widgets/Controls.h"

#include <cstdint>
#include <functional>

// The visual states, in the order the descriptors hold their values.
enum TantLabelState : uint8_t { lsNormal, lsSelected, lsActive, lsDisabled };

class TantRunTimeDesc : public TPersistent {
    Q_OBJECT
public:
    using TChangeNotify = std::function<void()>;

    TantRunTimeDesc(TControl* owner, TChangeNotify onChange);

    uint8_t State() const { return state_; }
    // Follows the label's state; tells nobody, the label repaints once for all.
    virtual void SetState(uint8_t state);
    TControl* OwnerLabel() const { return owner_; }

protected:
    void Changed() const {
        if (onChange_) onChange_();
    }
    // The slot of the current state: 1 Selected, 2 Active, 3 Disabled, else Normal.
    template <class T>
    const T& Pick(const T& normal, const T& selected, const T& active, const T& disabled) const {
        switch (state_) {
        case lsSelected:
            return selected;
        case lsActive:
            return active;
        case lsDisabled:
            return disabled;
        default:
            return normal;
        }
    }

private:
    uint8_t state_ = lsNormal;
    TChangeNotify onChange_;
    TControl* owner_;
};

class TantRunTimeBooleanDesc : public TantRunTimeDesc {
    Q_OBJECT
    Q_PROPERTY(bool Normal READ Normal WRITE SetNormal)
    Q_PROPERTY(bool Selected READ Selected WRITE SetSelected)
    Q_PROPERTY(bool Active READ Active WRITE SetActive)
    Q_PROPERTY(bool Disabled READ Disabled WRITE SetDisabled)
public:
    TantRunTimeBooleanDesc(TControl* owner, bool normal, bool selected, bool active, bool disabled,
                           TChangeNotify onChange = {});

    bool CurrentValue() const { return Pick(normal_, selected_, active_, disabled_); }
    bool Normal() const { return normal_; }
    bool Selected() const { return selected_; }
    bool Active() const { return active_; }
    bool Disabled() const { return disabled_; }
    void SetNormal(bool v) { Store(normal_, v); }
    void SetSelected(bool v) { Store(selected_, v); }
    void SetActive(bool v) { Store(active_, v); }
    void SetDisabled(bool v) { Store(disabled_, v); }

private:
    void Store(bool& slot, bool v);
    bool normal_, selected_, active_, disabled_;
};

class TantRunTimeColorDesc : public TantRunTimeDesc {
    Q_OBJECT
    Q_PROPERTY(int Normal READ Normal WRITE SetNormal)
    Q_PROPERTY(int Selected READ Selected WRITE SetSelected)
    Q_PROPERTY(int Active READ Active WRITE SetActive)
    Q_PROPERTY(int Disabled READ Disabled WRITE SetDisabled)
public:
    TantRunTimeColorDesc(TControl* owner, TColor normal, TColor selected, TColor active,
                         TColor disabled, TChangeNotify onChange = {});

    TColor CurrentValue() const { return Pick(normal_, selected_, active_, disabled_); }
    TColor Normal() const { return normal_; }
    TColor Selected() const { return selected_; }
    TColor Active() const { return active_; }
    TColor Disabled() const { return disabled_; }
    void SetNormal(TColor v) { Store(normal_, v); }
    void SetSelected(TColor v) { Store(selected_, v); }
    void SetActive(TColor v) { Store(active_, v); }
    void SetDisabled(TColor v) { Store(disabled_, v); }

private:
    void Store(TColor& slot, TColor v);
    TColor normal_, selected_, active_, disabled_;
};

class TantRunTimeCursorDesc : public TantRunTimeDesc {
    Q_OBJECT
    Q_PROPERTY(int Normal READ Normal WRITE SetNormal)
    Q_PROPERTY(int Selected READ Selected WRITE SetSelected)
    Q_PROPERTY(int Active READ Active WRITE SetActive)
    Q_PROPERTY(int Disabled READ Disabled WRITE SetDisabled)
public:
    TantRunTimeCursorDesc(TControl* owner, TCursor normal, TCursor selected, TCursor active,
                          TCursor disabled, TChangeNotify onChange = {});

    TCursor CurrentValue() const { return Pick(normal_, selected_, active_, disabled_); }
    TCursor Normal() const { return normal_; }
    TCursor Selected() const { return selected_; }
    TCursor Active() const { return active_; }
    TCursor Disabled() const { return disabled_; }
    // The label reads the cursor when its state changes, so nothing needs telling.
    void SetNormal(TCursor v) { normal_ = static_cast<int16_t>(v); }
    void SetSelected(TCursor v) { selected_ = static_cast<int16_t>(v); }
    void SetActive(TCursor v) { active_ = static_cast<int16_t>(v); }
    void SetDisabled(TCursor v) { disabled_ = static_cast<int16_t>(v); }

private:
    int16_t normal_, selected_, active_, disabled_;
};
