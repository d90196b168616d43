#include "dispatch_lok.h"

#include "small_window.h"

#include "application/application.h"
#include "core/number_text.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("FRED: Lok Dispatch");
const QString kLokadresse = QStringLiteral("Lokadresse:");
const QString kDispatch = QStringLiteral("Dispatch");
} // namespace

DispatchLok::DispatchLok(Application& core, QWidget* parent)
    : QWidget(parent, Qt::Window), core_(core), LokadrTxt(number_edit("LokadrTxt", 4)),
      DispBut(new QPushButton(kDispatch))
{
    setObjectName(QStringLiteral("DispatchLok"));
    setWindowTitle(kTitle);
    DispBut->setObjectName(QStringLiteral("DispBut"));
    auto* form = new QFormLayout;
    form->addRow(kLokadresse, LokadrTxt);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(DispBut);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    fit_title(layout, kTitle);
    hide_on_escape(this);

    connect(LokadrTxt, &QLineEdit::textChanged, this, &DispatchLok::update_button);
    connect(LokadrTxt, &QLineEdit::returnPressed, DispBut, &QPushButton::click);
    connect(DispBut, &QPushButton::clicked, this, &DispatchLok::dispatch_clicked);
    // Whichever way the request ends (done, timed out, replaced by another
    // job), the engine going idle gives the button back.
    connect(&core_.req, &ReqEngine::lock_ui, this, [this](bool busy) {
        if (!busy && running_) {
            running_ = false;
            update_button();
        }
    });
    update_button();
}

void DispatchLok::update_button()
{
    const QString text = LokadrTxt->text();
    show_valid(LokadrTxt, number_text_in(text, 1, LocoDispatch::MaxAddress));
    DispBut->setEnabled(!running_ && LocoDispatch::address(text).has_value());
}

void DispatchLok::dispatch_clicked()
{
    const auto adr = LocoDispatch::address(LokadrTxt->text());
    if (!adr)
        return;
    running_ = true;
    core_.lokDispatch.dispatch(*adr);
    update_button();
}
