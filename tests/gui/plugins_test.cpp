#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QtTest>
#include <thread>

#include "base/language.h"
#include "gui/plugins/dialog_plugin_prompts.h"
#include "gui/plugins/pim_form.h"

using namespace quillmar;
using namespace quillmar::gui;

namespace {

// What a TPIMForm showed: its labels, its buttons and the thread it was shown on.
struct Shown {
  bool errorVisible = false;
  QString error, info;
  bool cancelEnabled = false;
  QSize size;
  bool onGuiThread = false;
};

// Answers every TPIMForm with `answer` instead of running it modally and records it.
struct ScriptedBoxes {
  explicit ScriptedBoxes(int answer = QDialog::Accepted) {
    TPIMForm::SetShowFunction([this, answer](TPIMForm& form) {
      shown.push_back({!form.ErrorLabel()->isHidden(), form.ErrorLabel()->text(),
                       form.InfoLabel()->text(), form.CancelButton()->isEnabled(), form.size(),
                       QThread::currentThread() == qApp->thread()});
      return answer;
    });
  }
  ~ScriptedBoxes() { TPIMForm::SetShowFunction({}); }
  std::vector<Shown> shown;
};

}  // namespace

class PlugInsTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { SetCurrentLanguage(kEnglish); }
  void questionAndErrorReportBoxes();
  void reportFromWorkerArrivesOnGuiThread();
};

void PlugInsTest::questionAndErrorReportBoxes() {
  DialogPlugInPrompts prompts;
  {
    ScriptedBoxes boxes(QDialog::Accepted);
    QVERIFY(prompts.Question("An additional modul has to be installed.\r\rInsert the CD 'X'."));
    QCOMPARE(boxes.shown.size(), size_t{1});
    const Shown& question = boxes.shown[0];
    QVERIFY(!question.errorVisible);
    QVERIFY(question.cancelEnabled);
    QCOMPARE(question.info,
             QString("An additional modul has to be installed.\n\nInsert the CD 'X'."));
    QCOMPARE(question.size, QSize(TPIMForm::kWidth, TPIMForm::kHeight));
  }
  {
    ScriptedBoxes boxes(QDialog::Rejected);
    QVERIFY(!prompts.Question("Install?"));
  }
  {
    ScriptedBoxes boxes;
    prompts.ErrorReport("File '/x/m.so' not found.\rTo restore modul, restart Quillmar reader.");
    QCOMPARE(boxes.shown.size(), size_t{1});
    const Shown& report = boxes.shown[0];
    QVERIFY(report.errorVisible);
    QCOMPARE(report.error, QString("Error"));
    QVERIFY(!report.cancelEnabled);
    QCOMPARE(report.info, QString("Error on loading/installing a modul.\n\nFile '/x/m.so' not "
                                  "found.\nTo restore modul, restart Quillmar reader."));

    // A long report makes the box taller, never cuts it.
    QString longText;
    for (int i = 0; i < 40; ++i) longText += QString("line %1\r").arg(i);
    prompts.ErrorReport(longText.toStdString());
    QCOMPARE(boxes.shown[1].size.width(), TPIMForm::kWidth);
    QVERIFY(boxes.shown[1].size.height() > 40 * QFontMetrics(QFont()).height() / 2);
  }
  SetCurrentLanguage(kGerman);
  {
    ScriptedBoxes boxes;
    prompts.ErrorReport("x");
    QCOMPARE(boxes.shown[0].error, QString("Fehler"));
    QVERIFY(boxes.shown[0].info.startsWith("Fehler beim Laden/Installieren eines Moduls.\n\n"));
  }
  SetCurrentLanguage(kEnglish);
}

// The search thread reports without waiting; the box appears later on the GUI thread. A
// question from a worker is refused without a window.
void PlugInsTest::reportFromWorkerArrivesOnGuiThread() {
  ScriptedBoxes boxes;
  DialogPlugInPrompts prompts;
  bool asked = true;
  std::thread worker([&] {
    prompts.ErrorReport("'/x/phonetic.so' has wrong format.");
    asked = prompts.Question("Install?");
  });
  worker.join();
  QVERIFY(!asked);
  QVERIFY(boxes.shown.empty());
  QTRY_COMPARE(boxes.shown.size(), size_t{1});
  QVERIFY(boxes.shown[0].onGuiThread);
  QVERIFY(boxes.shown[0].info.endsWith("'/x/phonetic.so' has wrong format."));
}

QTEST_MAIN(PlugInsTest)
#include "plugins_test.moc"
