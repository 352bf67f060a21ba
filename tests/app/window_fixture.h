// A main window for a test: started in a fresh folder of its own (where it keeps its
// settings file), with the process-wide link state as at program start, messages recorded
// instead of shown, and a fixed list of network adapters (none unless the test adds some),
// so that no test ever looks for a controller on a real network.
#pragma once

#include "Fz_netif.h"
#include "Globvar.h"
#include "Link_config.h"
#include "Net_cnx.h"
#include "message_box.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        previousFolder = QDir::currentPath();
        QDir::setCurrent(folder.path());
        adapter_source_set(&adapters);
        link_state_reset();
        // Whatever the socket thread sends stays on this machine, on ports nobody uses.
        link_config = LinkConfig{};
        link_config.discovery_address = "127.0.0.1";
        link_config.controller_port = 9;
        link_config.discovery_local_port = 0;
        openWindow();
    }
    void TearDown() override
    {
        window.reset();
        adapter_source_set(nullptr);
        link_config = LinkConfig{};
        QDir::setCurrent(previousFolder);
    }
    void openWindow()
    {
        window = std::make_unique<TForm_net>();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    QByteArray settingsFile() const
    {
        QFile f(folder.filePath("ethernet_set.dat"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    template <typename T>
    T* child(const char* name)
    {
        T* w = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    QTemporaryDir folder;
    QString previousFolder;
    FixedAdapterSource adapters;
    MessageRecorder recorder;
    std::unique_ptr<TForm_net> window;
};
