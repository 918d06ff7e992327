// The hand-over between two reader starts: the second asks the first, over its local socket, to
// come to the front.
#include "gui/app/single_instance.h"

#include <QLocalServer>
#include <QWidget>
#include <QtTest>
#include <memory>

#include "support/temp_dir.h"

namespace quillmar::gui {

class SingleInstanceTest : public QObject {
  Q_OBJECT

 private slots:
  void secondStartBringsTheFirstToTheFront() {
    test::TempDir dir;
    const QString name = SingleInstance::ServerName(dir.Sub("config"));
    QCOMPARE(SingleInstance::ServerName(dir.Sub("config")), name);
    QVERIFY(SingleInstance::ServerName(dir.Sub("other")) != name);
    QVERIFY(!SingleInstance::Activate(name, 200));  // nobody listens yet

    QWidget window;
    window.showMinimized();
    const InstanceServer first(name);
    QVERIFY(first.Listening());
    int activations = 0;
    connect(&first, &InstanceServer::Activated, &window, [&] {
      ++activations;
      SingleInstance::BringToFront(&window);
    });
    QVERIFY(SingleInstance::Activate(name));
    QTRY_COMPARE(activations, 1);
    QVERIFY(!window.isMinimized());
    QVERIFY(window.isVisible());

    // Every further start asks again.
    QVERIFY(SingleInstance::Activate(name));
    QTRY_COMPARE(activations, 2);
  }

  void socketLeftByACrashIsTakenOver() {
    test::TempDir dir;
    const QString name = SingleInstance::ServerName(dir.Sub("config"));
    auto crashed = std::make_unique<QLocalServer>();
    crashed->setSocketOptions(QLocalServer::UserAccessOption);
    QVERIFY(crashed->listen(name));
    // A second listener on the same name replaces the stale one instead of failing.
    const InstanceServer next(name);
    QVERIFY(next.Listening());
    int activations = 0;
    connect(&next, &InstanceServer::Activated, [&] { ++activations; });
    QVERIFY(SingleInstance::Activate(name));
    QTRY_COMPARE(activations, 1);
  }
};

}  // namespace quillmar::gui

QTEST_MAIN(quillmar::gui::SingleInstanceTest)
#include "single_instance_test.moc"
