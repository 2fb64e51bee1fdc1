#pragma once

#include <QString>

class QPrinter;
class QWidget;

// PrintFile: prints a text file, one printer line per file line (TABs
// expanded, long lines cut at the page edge), and sends the job. On any
// failure it shows "Error :" and the reason in a message box titled
// "Printing File..." and returns false.
bool PrintFile(QPrinter &printer, const QString &fileName, QWidget *parent = nullptr);
