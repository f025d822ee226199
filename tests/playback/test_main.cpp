// Playback tests: the application object, with the general error handler the program
// has, so that a bar command's exception becomes a recorded message as it would become a
// message box.
#include <QApplication>
#include <gtest/gtest.h>
#include <stdexcept>

#include "bar_fixture.h"

namespace tunelet::playback::testing {

QStringList &reportedErrors() {
    static QStringList errors;
    return errors;
}

namespace {

class TestApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            reportedErrors() << QString::fromStdString(error.what());
            return true;
        }
    }
};

} // namespace

} // namespace tunelet::playback::testing

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    tunelet::playback::testing::TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
