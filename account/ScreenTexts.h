#pragma once

#include <QAbstractButton>
#include <QLineEdit>

// Texts of the account sheets that screen readers name the controls by: a button by its title, a
// field by its placeholder (a filled field no longer shows it, its accessible name still does).
namespace screen_texts {

inline void setTitle(QAbstractButton* button, const QString& title)
{
    button->setText(title);
    button->setAccessibleName(title);
}

inline void setPlaceholder(QLineEdit* field, const QString& placeholder)
{
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(placeholder);
}

} // namespace screen_texts
