#pragma once

#include <QAbstractButton>
#include <QString>

class QLabel;

// One row of the sidebar: a selection background, an icon and a label, pressed as a whole. The icon
// has a selected and an unselected drawing; the label turns medium weight while the row is selected.
class SidebarRow : public QAbstractButton
{
    Q_OBJECT

public:
    SidebarRow(int tag, const QString& icon, const QString& selectedIcon, const QString& labelName,
        QWidget* parent = nullptr);

    int tag() const { return m_tag; }
    QLabel* label() const { return m_label; }
    QLabel* imageView() const { return m_image; }
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setLabelText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_tag;
    QString m_icon;
    QString m_selectedIcon;
    QLabel* m_image; // owned by this row
    QLabel* m_label; // owned by this row
    bool m_selected = false;
};
