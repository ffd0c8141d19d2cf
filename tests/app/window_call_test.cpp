// SPDX-License-Identifier: GPL-3.0-or-later
// One window per diary: a second start on the same diary, as its own
// process, brings the running window to the front and ends quietly.
#include "main_fixture.h"

#include <app/startup.h>
#include <app/window_call.h>

#include <QProcess>

#include <gtest/gtest.h>

namespace quillet::testing {
namespace {

TEST(Startup, ASecondStartBringsTheRunningWindowToTheFrontAndEndsQuietly) {
  Diary d;
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  int requests = 0;
  bool restored = false;
  int secondExit = -1;
  QByteArray secondSaid;
  hooks.shown = [&](TMainScreen& w) {
    w.showMinimized();
    auto* second = new QProcess(&w);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second->setProcessEnvironment(env);
    second->setProcessChannelMode(QProcess::MergedChannels);
    QObject::connect(second, &QProcess::finished, &w, [&, second](int code, QProcess::ExitStatus status) {
      secondExit = status == QProcess::NormalExit ? code : -2;
      secondSaid = second->readAll();
      w.close();
    });
    // A second start that hung on a message would otherwise hang the test.
    QTimer::singleShot(20000, &w, [second] { second->kill(); });
    second->start(QStringLiteral(QUILLET_BINARY),
                  {QStringLiteral("--diary-dir"), QString::fromStdString(d.dir.path().string())});
  };
  hooks.showRequested = [&](TMainScreen& w) {
    ++requests;
    restored = !(w.windowState() & Qt::WindowMinimized) && w.isVisible();
  };
  EXPECT_EQ(RunQuillet(*qApp, options, hooks), 0);
  EXPECT_EQ(secondExit, 0) << secondSaid.toStdString();
  EXPECT_EQ(requests, 1);
  EXPECT_TRUE(restored);
  EXPECT_TRUE(d.messages.shown.empty());
}

TEST(Startup, EachDiaryHasItsOwnCallAndNobodyAnswersForAClosedOne) {
  Diary one, two;
  EXPECT_NE(WindowCallName(one.dir.path()), WindowCallName(two.dir.path()));
  // The same folder by another path is the same diary.
  EXPECT_EQ(WindowCallName(one.dir.path()), WindowCallName(one.dir.path() / "Entries" / ".."));
  EXPECT_EQ(WindowCallName(one.dir.path()), WindowCallName(one.dir.path() / ""));
  EXPECT_FALSE(AskRunningCopyToShow(one.dir.path(), 500));
}

}  // namespace
}  // namespace quillet::testing
