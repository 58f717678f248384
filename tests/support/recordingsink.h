#pragma once
// Stands in for the window at the end of the frame encoder: keeps every frame.

#include "app/tickcounter.h"
#include "protocol/framecodec.h"

#include <QByteArray>
#include <QVector>

class RecordingSink : public FrameSink {
public:
    RecordingSink() { setFrameSink(this); }
    ~RecordingSink() override { setFrameSink(nullptr); }

    bool portIsOpen() const override { return open; }
    void frameOut(const QByteArray &bytes) override
    {
        frames.append(bytes);
        ticks.append(TickCounter::now());
    }

    bool open = true;
    QVector<QByteArray> frames;
    QVector<uint32_t> ticks;
};
