#include "PlaceholderScreen.h"

#include "Localization.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PlaceholderScreen::PlaceholderScreen(const QString& title, Kind kind, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(this);
    heading->setObjectName(QStringLiteral("lblPlaceholderTitle"));
    QFont headingFont = heading->font();
    headingFont.setPointSize(18);
    headingFont.setWeight(QFont::DemiBold);
    heading->setFont(headingFont);
    auto* note = new QLabel(this);
    note->setObjectName(QStringLiteral("lblPlaceholderNote"));
    layout->addStretch();
    layout->addWidget(heading, 0, Qt::AlignHCenter);
    layout->addWidget(note, 0, Qt::AlignHCenter);
    QPushButton* cancel = nullptr;
    if (kind == Kind::sheet) {
        cancel = new QPushButton(this);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        connect(cancel, &QPushButton::clicked, this, [this] { window()->close(); });
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
    }
    layout->addStretch();
    localization::followLanguage(this, [this, title, heading, note, cancel] {
        const QString text = localizedText(title);
        setWindowTitle(text);
        heading->setText(text);
        note->setText(
            localizedText(QStringLiteral("This screen is not available in this version of BREVAK yet.")));
        if (cancel) {
            cancel->setText(localizedText(QStringLiteral("Cancel")));
        }
    });
    setMinimumSize(420, 260);
}
