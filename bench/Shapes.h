#pragma once
// Inputs shaped to cost far more than their size. Each shape is written to a temporary file, then met in
// a process of its own as the program meets it, so that the time and the peak memory printed are that
// input's alone. To add a shape, add a row to the table in Shapes.cpp: a writer and a runner.
#include <QFile>
#include <QString>
#include <vector>

namespace bench {

struct Shape {
    const char *name;     // as given on the command line
    const char *input;    // what the input is, for the printed line
    qint64 bytes;         // the size the writer is asked for
    const char *fileName; // the temporary file's name (its extension chooses the reader)
    // Writes the input of about `bytes` bytes, a piece at a time so that writing costs no memory of note.
    void (*write)(QFile &file, qint64 bytes);
    // Meets the input as the program does and prints one line: what the user is shown and the time of
    // each step. Returns the process's exit status.
    int (*run)(const QString &path);
};

const std::vector<Shape> &Shapes();

// "shapes [NAME...]": every shape (or the ones named), each in a child process, one line each.
int RunShapes(const char *self, int count, char **names);
// The child's side: meets one shape's file.
int RunOneShape(const char *name, const QString &path);

} // namespace bench
