#pragma once
// What the program knows about its connection and the station: interface
// type and port in use, the identified station type and the track power.
// Every subsystem that needs one of them reads it here.

#include <QObject>
#include <QString>

class StationState : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;

    int IfType = 3;
    QString ComPortNr = QStringLiteral("1");
    int StationType = 99; // 1, 2, 3; 99 not connected or not recognised; -1 identifying
    int PowerState = 0;   // track power as last reported: 0 off, 1 on

    // Shows the power state; values other than 0 and 1 are ignored.
    void show_power(int state)
    {
        if (state != 0 && state != 1)
            return;
        PowerState = state;
        emit power_shown(state);
    }
    // The interface type chosen in the selection window.
    void set_interface(int ifType)
    {
        if (ifType < 1 || ifType > 3)
            return;
        IfType = ifType;
        emit station_changed();
    }
    void set_station_type(int type)
    {
        StationType = type;
        emit station_changed();
    }

  signals:
    void power_shown(int state);
    void station_changed(); // StationType or IfType changed: redraw the labels
};
