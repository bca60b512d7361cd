#include "framework/core/Classes.h"
#include "framework/core/Translations.h"

#include "framework/core/Reader.h"

#include <algorithm>

void TPersistent::Assign(TPersistent* source) {
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError(Translate("SysConst", "Cannot assign nil to a %1")
                            .arg(QString::fromLatin1(metaObject()->className())));
}

void TPersistent::AssignTo(TPersistent* dest) {
    throw EConvertError(Translate("SysConst", "Cannot assign a %1 to a %2")
                            .arg(QString::fromLatin1(metaObject()->className()),
                                 QString::fromLatin1(dest->metaObject()->className())));
}

void TPersistent::DefineProperties(TFiler&) {}

bool TPersistent::IsReferenceTo(const QMetaMethod& m, int index, QMetaType expected) {
    QByteArray name = m.parameterTypeName(index);
    if (!name.endsWith('&') || name.endsWith("&&") || name.startsWith("const ")) return false;
    name.chop(1);
    if (name == expected.name()) return true;
    // A name written without its enclosing class (`TCloseAction` for
    // `TFormEnums::TCloseAction`), or a fixed-width integer Qt knows under another name.
    if (QByteArray(expected.name()).endsWith("::" + name)) return true;
    static const std::map<QByteArray, QMetaType> fixedWidth = {
        {"uint8_t", QMetaType::fromType<uint8_t>()},   {"int8_t", QMetaType::fromType<int8_t>()},
        {"uint16_t", QMetaType::fromType<uint16_t>()}, {"int16_t", QMetaType::fromType<int16_t>()},
        {"uint32_t", QMetaType::fromType<uint32_t>()}, {"int32_t", QMetaType::fromType<int32_t>()},
    };
    if (auto it = fixedWidth.find(name); it != fixedWidth.end()) return it->second == expected;
    return QMetaType::fromName(name) == expected;
}

const TPersistent::EventSlot* TPersistent::FindEvent(const QString& name) const {
    auto it = events_.find(name);
    return it == events_.end() ? nullptr : &it->second;
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

void TComponent::operator delete(TComponent* p, std::destroying_delete_t) {
    if (!p) return;
    void* memory = dynamic_cast<void*>(p); // the whole object, wherever its component part is
    p->BeforeDestruction();
    p->~TComponent(); // virtual: the most derived destructor first
    ::operator delete(memory);
}

void TComponent::BeforeDestruction() noexcept {
    SendRemovalNotices();
}

void TComponent::SendRemovalNotices() noexcept {
    if (removalSent_) return;
    removalSent_ = true;
    state_ |= csDestroying;
    // One at a time from the list itself: a component told may free another of them.
    while (!freeNotifies_.empty()) {
        TComponent* c = freeNotifies_.back();
        freeNotifies_.pop_back();
        std::erase(c->freeNotifies_, this);
        SafeCall([&] { c->Notification(this, opRemove); });
    }
    if (owner_) SafeCall([&] { owner_->RemoveComponent(this); });
}

TComponent::~TComponent() {
    SendRemovalNotices(); // for a component that was not freed with delete
    DestroyComponents();
}

TComponent* TComponent::FindComponent(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    for (TComponent* c : components_)
        if (c->name_.compare(name, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

void TComponent::SetName(const QString& name) {
    if (name == name_) return;
    if (!name.isEmpty()) {
        const bool valid = (name[0].isLetter() || name[0] == '_') &&
                           std::all_of(name.begin(), name.end(),
                                       [](QChar ch) { return ch.isLetterOrNumber() || ch == '_'; });
        if (!valid)
            throw EConvertError(
                Translate("SysConst", "'%1' is not a valid component name").arg(name));
        if (owner_) {
            TComponent* other = owner_->FindComponent(name);
            if (other && other != this)
                throw EConvertError(
                    Translate("SysConst", "A component named %1 already exists").arg(name));
        }
    }
    name_ = name;
    setObjectName(name);
}

void TComponent::Loaded() {
    state_ &= ~(csLoading | csReading);
}

void TComponent::Notification(TComponent* c, TOperation op) {
    if (op == opRemove) std::erase(freeNotifies_, c);
}

void TComponent::FreeNotification(TComponent* c) {
    if (!c || c == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end())
        freeNotifies_.push_back(c);
    if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end())
        c->freeNotifies_.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* c) {
    if (!c) return;
    std::erase(freeNotifies_, c);
    std::erase(c->freeNotifies_, this);
}

void TComponent::InsertComponent(TComponent* c) {
    if (c->owner_) c->owner_->RemoveComponent(c);
    components_.push_back(c);
    c->owner_ = this;
    Notification(c, opInsert);
}

void TComponent::RemoveComponent(TComponent* c) {
    auto it = std::find(components_.begin(), components_.end(), c);
    if (it == components_.end()) return;
    // Unlinked before the owner hears, so that a failing Notification leaves no pointer.
    components_.erase(it);
    c->owner_ = nullptr;
    Notification(c, opRemove);
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        RemoveComponent(c);
        delete c;
    }
}

int TStrings::Add(const QString& s) {
    list_.append(s);
    Changed();
    return static_cast<int>(list_.size()) - 1;
}

void TStrings::Delete(int i) {
    if (i < 0 || i >= list_.size())
        throw EInvalidOperation(Translate("SysConst", "List index out of bounds (%1)").arg(i));
    list_.removeAt(i);
    Changed();
}

void TStrings::Clear() {
    if (list_.isEmpty()) return;
    list_.clear();
    Changed();
}

void TStrings::SetList(const QStringList& l) {
    if (l == list_) return;
    list_ = l;
    Changed();
}

QString TStrings::Text() const {
    QString t;
    for (const QString& s : list_)
        t += s + QStringLiteral("\r\n");
    return t;
}

void TStrings::SetText(const QString& text) {
    QStringList l;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            l << text.mid(start, i - start);
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < text.size()) l << text.mid(start);
    SetList(l);
}

void TStrings::Assign(TPersistent* source) {
    if (auto* s = qobject_cast<TStrings*>(source)) {
        SetList(s->list_);
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::DefineProperties(TFiler& filer) {
    filer.DefineProperty(
        QStringLiteral("Strings"),
        [this](TReader& r) {
            QStringList l;
            r.ReadListBegin();
            while (!r.EndOfList())
                l << r.ReadString();
            r.ReadListEnd();
            SetList(l);
        },
        [this](TWriter& w) {
            w.WriteListBegin();
            for (const QString& s : list_)
                w.WriteString(s);
            w.WriteListEnd();
        },
        !list_.isEmpty());
}

void TStrings::Changed() {
    Notify(OnChange, this);
}
