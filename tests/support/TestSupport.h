#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace varnel::testing {

// Where tests leave files for people to look at (screenshots, transcripts):
// <build>/test-output/<subfolder>, created on demand.
QString testOutputDirectory(const QString& subfolder);

// Saves a picture of `widget` as <build>/test-output/screenshots/<name>.png
// and returns the path (empty when it could not be written).
QString saveScreenshot(QWidget* widget, const QString& name);

// Turns the event loop until `condition` holds or `timeoutMs` passes; returns
// whether it held. Use with EXPECT_TRUE/ASSERT_TRUE (QTest's QTRY_* macros
// report to QTest, not to GoogleTest, and would let a failing test pass).
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

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
