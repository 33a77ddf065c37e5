#pragma once
// Where a report file is written. Reports go to folders other people may
// share, so a file is made in a folder of its own that only this user can
// enter, under a random name, and renamed into place when whole: a link
// planted under the final name is replaced, never written through, and a
// failure leaves nothing behind. The file takes the user's umask (0644
// under 022): a report is a document to hand on.

#include <QString>
#include <QTemporaryDir>

namespace tendro {

struct OutputFailure {
    QString cause;
};

class ReportOutput {
public:
    // Throws OutputFailure when the target's folder is missing or cannot be written.
    explicit ReportOutput(const QString &target);
    // The file to write; nobody else can create or replace it.
    QString scratchPath() const { return scratch_; }
    // Puts the written file in place of the target. Throws OutputFailure.
    void commit();

private:
    QString target_;
    QTemporaryDir dir_;
    QString scratch_;
};

// Why reports may not be written unattended into `folder` (one that is not
// the user's, or that others may write without the sticky bit); empty when
// they may.
QString reportFolderRefusal(const QString &folder);

// Whether anything, a dangling link included, already has that name.
bool nameTaken(const QString &path);

} // namespace tendro
