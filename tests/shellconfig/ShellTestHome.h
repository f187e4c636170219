#pragma once

#include "engine/config/ProductConfig.h"
#include "engine/services/LiveFileSystem.h"

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <map>
#include <string>

namespace varnel::testing {

// A real, empty home folder in the temporary directory and a LiveFileSystem
// whose home it is.
class ShellTestHome {
public:
    ShellTestHome();

    bool isValid() const { return dir_.isValid(); }
    const LiveFileSystem& fs() const { return fs_; }
    QString path(const QString& name = {}) const { return name.isEmpty() ? home_ : QDir(home_).filePath(name); }

    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;  // empty when missing
    bool exists(const QString& name) const;      // without following links
    bool isLink(const QString& name) const;
    int mode(const QString& name) const;  // permission bits of what the name leads to; -1 when missing

    // Every item under the home folder, byte for byte, with its mode and,
    // for links, where they point.
    std::map<std::string, std::string> snapshot() const;

private:
    QTemporaryDir dir_;
    QString home_;
    LiveFileSystem fs_;
};

// Makes `product` the active configuration for the life of the guard.
class ActiveProduct {
public:
    explicit ActiveProduct(ProductConfig product);
    ~ActiveProduct();
    ActiveProduct(const ActiveProduct&) = delete;
    ActiveProduct& operator=(const ActiveProduct&) = delete;

private:
    std::shared_ptr<const ProductConfig> previous_;
};

// Runs `body` in a child process that cannot write what belongs to others:
// as root the child gives up root for the user "nobody" for good (root
// ignores permission bits, so only a real unprivileged user shows what a
// user on a Mac gets); otherwise it keeps the current user. `body` returns an
// empty text when all went as expected, else a description of what did not.
// The result is that text, or a note that the child crashed or hung.
std::string runUnprivileged(const std::function<std::string()>& body);

// Whether runUnprivileged can actually drop rights here (not root, or a
// "nobody" user exists).
bool canRunUnprivileged();

// Whether every folder above `path` lets other users pass through, so that
// the unprivileged child can get to a test home at all.
bool othersCanReach(const QString& path);

}  // namespace varnel::testing
