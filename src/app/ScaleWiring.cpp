#include "ScaleWiring.h"

#include "Config.h"
#include "Kelvo.h"
#include "LinkTexts.h"
#include "ScaleWeightField.h"
#include "SettingsCommands.h"
#include "SlotGuard.h"
#include "WeightLink.h"

#include "TFoform.h"
#include "TSetportForm.h"
#include "TTerminal.h"
#include "Tbeallitasok.h"
#include "Tbefejezesform.h"
#include "Tkezdesform.h"

#include "ui_TFoform.h"

#include <QToolButton>

ScaleWiring::ScaleWiring(Kelvo &kelvo)
    : m_kelvo(kelvo)
{
    WeightLink *link = kelvo.weightLink();
    TFoform *main = kelvo.Foform();
    TTerminal *terminal = kelvo.Terminal();
    Tbeallitasok *settings = kelvo.beallitasok();
    Ui::TFoform *ui = main->ui();

    ui->sulylabel1->setText(link->labelText());
    connect(link, &WeightLink::labelChanged, ui->sulylabel1, [ui](const QString &text, const QString &hint) {
        ui->sulylabel1->setText(text);
        ui->sulylabel1->setToolTip(hint);
    });
    connect(link, &WeightLink::statusTextChanged, main, [main](const QString &text) { main->setStatusText(1, text); });
    connect(link, &WeightLink::pollIndicatorChanged, ui->balimage, &QWidget::setVisible);
    // The state beside the weight, in colours readable across the gate house: green at rest, amber moving, red
    // over- or underloaded or in error, grey without a link.
    const auto showState = [ui, link] {
        const WeightState state = link->weightState();
        const bool live = link->weightLive();
        const char *colour = !live                          ? "#808080"
                             : state == WeightState::Stable ? "#1b7f2a"
                             : state == WeightState::Motion ? "#b36b00"
                                                            : "#c00000";
        ui->allapotlabel->setText(LinkTexts::stateText(state, live));
        ui->allapotlabel->setStyleSheet(
            QStringLiteral("#allapotlabel { color: white; background: %1; font-weight: bold; }").arg(QLatin1String(colour)));
    };
    showState();
    connect(link, &WeightLink::stateChanged, ui->allapotlabel, showState);
    connect(ui->nullaimage, &QToolButton::clicked, link, &WeightLink::zero);

    connect(main, &TFoform::weightLabelDoubleClicked, terminal, &QWidget::show);
    terminal->setCentreOn(main);
    connect(link, &WeightLink::frameReceived, terminal, &TTerminal::appendFrame);
    connect(terminal, &TTerminal::settingsRequested, this, guarded([this] { m_kelvo.settingsCommands().open(true); }));
    // The settings dialog's "Kapcsolat beállítása" button opens the port dialog; the six port keys are saved only
    // after a confirmed change.
    connect(settings, &Tbeallitasok::portSettingsRequested, this, guarded([this, link, main] {
                if (m_kelvo.windows().SetportForm()->execFor(link->comPort(), main))
                    link->comPort().SaveSettings(&m_kelvo.config()->ini());
            }));

    ScaleWeightField *fields[] = {&kelvo.kezdesform()->scaleField(), &kelvo.befejezesform()->scaleField()};
    connect(link, &WeightLink::weightChanged, this, [fields](qint32, const QString &text) {
        for (ScaleWeightField *field : fields)
            field->offer(text);
    });
    connect(link, &WeightLink::weightLost, this, [fields] {
        for (ScaleWeightField *field : fields)
            field->lose();
    });
}

void ScaleWiring::open()
{
    const Tbeallitasok *settings = m_kelvo.beallitasok();
    WeightLink *link = m_kelvo.weightLink();
    link->setServerSource([settings] { return settings->weightServer(); });
    link->loadPortSettings(m_kelvo.config()->ini());
}

void ScaleWiring::close()
{
    m_kelvo.weightLink()->shutdown();
}
