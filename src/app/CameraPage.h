#pragma once

#include "CameraSettings.h"
#include "CameraShot.h"

#include <QWidget>

#include <array>
#include <map>

class CameraClient;
class Config;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

// The settings dialog's page of the cameras: Kelvo.ini [Kamera1] to [Kamera4] (URL, user, password, time limit,
// name), and for each "Próba", which takes one picture with the values entered (without waiting: the picture, or
// why there is none, comes beside the button with its size and time).
class CameraPage : public QWidget
{
    Q_OBJECT

public:
    explicit CameraPage(QWidget *parent = nullptr);
    ~CameraPage() override;

    void load(const Config &config);
    // Writes every key (the password encoded as the start password is); false at the first write refused.
    bool save(Config &config) const;
    // Camera number's settings as entered (number 1 to 4).
    CameraSettings entered(int number) const;
    // The fields, behind the same unlock as the scale link's settings; "Próba" works either way.
    void setEditable(bool editable);

    QPushButton *probeButton(int number) const { return m_cameras.at(number - 1).probe; }
    QLabel *probeResult(int number) const { return m_cameras.at(number - 1).result; }
    QLabel *probePicture(int number) const { return m_cameras.at(number - 1).picture; }

signals:
    // A probe's outcome is on the page.
    void probed(int number, const CameraShot &shot);

private:
    struct Fields {
        QLineEdit *url = nullptr;
        QLineEdit *user = nullptr;
        QLineEdit *password = nullptr;
        QSpinBox *timeout = nullptr;
        QLineEdit *name = nullptr;
        QPushButton *probe = nullptr;
        QLabel *picture = nullptr;
        QLabel *result = nullptr;
    };

    void probe(int number);
    void showProbe(quint64 request, const CameraShot &shot);

    std::array<Fields, CameraSettings::kCount> m_cameras;
    CameraClient *m_client;
    // Probe request to camera number.
    std::map<quint64, int> m_probes;
};
