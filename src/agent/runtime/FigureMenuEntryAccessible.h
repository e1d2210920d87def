#pragma once

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPointer>

class QAction;
class QMenu;

namespace tk::agent {

// What screen readers see of one entry of a figure's menu: an item named by
// its caption as shown (without the mnemonic marks), or a separator for a
// dividing line and for a caption that only draws one (a row of dashes),
// which is still chosen like any entry (the press action), as the mouse can.
class FigureMenuEntryAccessible final : public QAccessibleInterface,
                                        public QAccessibleActionInterface {
public:
    explicit FigureMenuEntryAccessible(QAction* action);

    // Whether a caption only draws a line: three or more of one of - _ = ~ *, nothing else.
    static bool isLineCaption(const QString& caption);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* childAt(int x, int y) const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text t, const QString& text) override;
    QRect rect() const override;
    QAccessible::Role role() const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    // The figure menu showing the entry: the open one, else any.
    QMenu* menu() const;

    QPointer<QAction> m_action;
};

} // namespace tk::agent
