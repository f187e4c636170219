#pragma once

#include <QPalette>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace varnel::testing {

// Where tests leave files for people to look at (screenshots, transcripts):
// <build>/test-output/<subfolder>, created on demand.
QString testOutputDirectory(const QString& subfolder);

// The Mac's window palettes, light and dark: the tests run in the light one,
// and every screenshot is taken in both.
QPalette macPalette(bool dark);

// Saves a picture of `widget` as <build>/test-output/screenshots/<name>.png
// and, in the dark palette, <name>-dark.png; returns the first path (empty
// when it could not be written). Fails the current test when a visible
// control has no accessible name or description.
QString saveScreenshot(QWidget* widget, const QString& name);

// The visible controls of `root` (anything Tab can reach, and progress bars)
// without an accessible name or description, by identifier.
QStringList controlsWithoutAccessibleText(QWidget* root);

// Turns the event loop until `condition` holds or `timeoutMs` passes; returns
// whether it held. Use with EXPECT_TRUE/ASSERT_TRUE (QTest's QTRY_* macros
// report to QTest, not to GoogleTest, and would let a failing test pass).
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Presses `key` as a person would: `window` is made the active window and
// the key goes to whichever control has the keyboard focus, which must be
// inside it (a failure of the current test otherwise).
void pressKey(QWidget* window, int key);

// Finds a descendant by its accessibility identifier (objectName); fails the
// current test when it is missing.
template <typename T>
T* findByID(QWidget* root, const QString& id);

}  // namespace varnel::testing

#include <QWidget>
#include <gtest/gtest.h>

template <typename T>
T* varnel::testing::findByID(QWidget* root, const QString& id)
{
    T* found = root->findChild<T*>(id);
    EXPECT_NE(found, nullptr) << "no control with identifier " << id.toStdString();
    return found;
}
