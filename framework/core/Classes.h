#pragma once
// The component model: persistent objects with published properties (Qt's meta-object
// data), owned components with names and a component state, string lists, and the
// event slots that layouts bind to handler methods by name.

#include "framework/core/SysUtils.h"

#include <QMetaMethod>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <vector>

using TObject = QObject;
using TNotifyEvent = std::function<void(TObject*)>;

class TFiler;
class TReader;
class TWriter;

// Calls a notify event when it is set.
inline void Notify(const TNotifyEvent& e, TObject* sender) {
    if (e) e(sender);
}

class TPersistent : public QObject {
    Q_OBJECT
public:
    explicit TPersistent(QObject* parent = nullptr) : QObject(parent) {}

    // Copies source's state into this object; raises EConvertError when the kinds differ.
    virtual void Assign(TPersistent* source);

    // Declares stream properties that are not published properties (read by the layout
    // reader through a hook of their own).
    virtual void DefineProperties(TFiler& filer);

    // An event slot that a layout can bind to a handler of its root by name.
    struct EventSlot {
        std::function<bool(const QMetaMethod&)> accepts;
        std::function<void(QObject* root, const QMetaMethod&)> bind;
    };
    const EventSlot* FindEvent(const QString& name) const;

protected:
    virtual void AssignTo(TPersistent* dest);

    // Makes `slot` bindable under `name`: a handler with the same parameters is called
    // through the meta-object system when the event fires.
    template <class... Args>
    void RegisterEvent(const char* name, std::function<void(Args...)>& slot) {
        EventSlot e;
        e.accepts = [](const QMetaMethod& m) {
            if (m.parameterCount() != static_cast<int>(sizeof...(Args))) return false;
            const QMetaType expected[] = {QMetaType(),
                                          QMetaType::fromType<std::remove_cvref_t<Args>>()...};
            const bool byReference[] = {false, std::is_reference_v<Args>...};
            for (int i = 0; i < m.parameterCount(); ++i)
                if (m.parameterMetaType(i) != expected[i + 1] &&
                    !(byReference[i + 1] && IsReferenceTo(m, i, expected[i + 1])))
                    return false;
            return true;
        };
        e.bind = [&slot](QObject* root, const QMetaMethod& m) {
            QPointer<QObject> target(root);
            const int index = m.methodIndex();
            slot = [target, index](Args... args) {
                if (!target) return;
                void* argv[] = {nullptr, const_cast<void*>(static_cast<const void*>(&args))...};
                QMetaObject::metacall(target.data(), QMetaObject::InvokeMetaMethod, index, argv);
            };
        };
        events_[QString::fromLatin1(name)] = std::move(e);
    }

private:
    // Qt knows no meta-type for a parameter taken by reference (`bool& AllowChange`);
    // such a parameter matches by its type's name.
    static bool IsReferenceTo(const QMetaMethod& m, int index, QMetaType expected);
    std::map<QString, EventSlot> events_;
};

enum TOperation { opInsert, opRemove };

enum TComponentStateFlag : unsigned {
    csLoading = 1,
    csReading = 2,
    csWriting = 4,
    csDestroying = 8,
    csDesigning = 16,
};

// Components are freed with delete (directly, through a base pointer, by an owner, by
// Qt's parent or deferred deletion): every such delete comes through the component's own
// freeing step first, which lets the component say goodbye while it is still whole, so
// that whoever hears of its removal sees its real class. A component that is not freed
// with delete (on the stack, a member) tells the others later, as its base part goes.
class TComponent : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(int Tag READ Tag WRITE SetTag)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    // The freeing entry point of every delete: BeforeDestruction, then the destructors.
    // Components are not over-aligned types: their memory comes from plain operator new.
    // Every delete goes through the destroying delete; the plain ones only give back the
    // memory of a component whose constructor threw. Construction in place (as Qt's
    // meta-types do it) stays open.
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void* operator new(std::size_t, void* where) noexcept { return where; }
    void operator delete(TComponent* p, std::destroying_delete_t);
    static void operator delete(void* memory) noexcept { ::operator delete(memory); }
    static void operator delete(void*, void*) noexcept {}

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int i) const { return components_.at(static_cast<size_t>(i)); }
    TComponent* FindComponent(const QString& name) const;

    const QString& Name() const { return name_; }
    virtual void SetName(const QString& name);
    int Tag() const { return tag_; }
    void SetTag(int t) { tag_ = t; }

    unsigned ComponentState() const { return state_; }
    bool IsLoading() const { return state_ & csLoading; }
    bool IsDestroying() const { return state_ & csDestroying; }
    // Set by the layout reader before it sets any property of this component.
    void BeginLoading() { state_ |= csLoading | csReading; }
    void EndReading() { state_ &= ~csReading; }

    // Called once every component of a layout has been read; clears the loading state.
    virtual void Loaded();

    // Tells this component that `c` is being inserted or removed (an owned component,
    // or one that asked to be told through FreeNotification).
    virtual void Notification(TComponent* c, TOperation op);
    void FreeNotification(TComponent* c);
    // Undoes FreeNotification: neither of the two is told of the other's removal any
    // more (a setter unlinks the component it replaces).
    void RemoveFreeNotification(TComponent* c);

    void InsertComponent(TComponent* c);
    void RemoveComponent(TComponent* c);
    // Frees the owned components, last first.
    void DestroyComponents();

    // Called by the layout reader to place a nested object on the object it stands in
    // (a control on its window or panel); nothing by default.
    virtual void SetParentComponent(TComponent* parent) { (void)parent; }

protected:
    void SetDestroying() { state_ |= csDestroying; }
    // Runs once, before any destructor, while the component is whole: overrides do their
    // last work first (a window's OnDestroy), then call this, which marks the component as
    // destroying and tells those who asked, and the owner, that it goes.
    virtual void BeforeDestruction() noexcept;

private:
    void SendRemovalNotices() noexcept;
    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    QString name_;
    int tag_ = 0;
    unsigned state_ = 0;
    bool removalSent_ = false;
};

// A list of strings with change notification; layouts store it as "Strings = ( ... )".
class TStrings : public TPersistent {
    Q_OBJECT
public:
    using TPersistent::TPersistent;

    int Count() const { return static_cast<int>(list_.size()); }
    const QString& operator[](int i) const { return list_.at(i); }
    QString Strings(int i) const { return list_.value(i); }
    int Add(const QString& s);
    void Delete(int i);
    void Clear();
    int IndexOf(const QString& s) const { return static_cast<int>(list_.indexOf(s)); }
    const QStringList& List() const { return list_; }
    void SetList(const QStringList& l);
    // Lines joined with CR LF, each line ended, as the framework's text property reads.
    QString Text() const;
    void SetText(const QString& text);

    void Assign(TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

    TNotifyEvent OnChange;

private:
    void Changed();
    QStringList list_;
};
using TStringList = TStrings;
