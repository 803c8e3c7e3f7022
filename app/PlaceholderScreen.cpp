#include "PlaceholderScreen.h"

#include "Localization.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PlaceholderScreen::PlaceholderScreen(const QString& title, Kind kind, QWidget* parent)
    : QWidget(parent)
{
    const QString text = localizedText(title);
    setWindowTitle(text);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(text, this);
    heading->setObjectName(QStringLiteral("lblPlaceholderTitle"));
    QFont headingFont = heading->font();
    headingFont.setPointSize(18);
    headingFont.setWeight(QFont::DemiBold);
    heading->setFont(headingFont);
    auto* note = new QLabel(
        localizedText(QStringLiteral("This screen is not available in this version of BREVAK yet.")), this);
    note->setObjectName(QStringLiteral("lblPlaceholderNote"));
    layout->addStretch();
    layout->addWidget(heading, 0, Qt::AlignHCenter);
    layout->addWidget(note, 0, Qt::AlignHCenter);
    if (kind == Kind::sheet) {
        auto* cancel = new QPushButton(localizedText(QStringLiteral("Cancel")), this);
        cancel->setObjectName(QStringLiteral("btnCancel"));
        connect(cancel, &QPushButton::clicked, this, [this] { window()->close(); });
        layout->addWidget(cancel, 0, Qt::AlignHCenter);
    }
    layout->addStretch();
    setMinimumSize(420, 260);
}
