#pragma once
// The program's identity: its version and build date, and the "Informazioni su Grafion" box
// that every window's "?" menu shows.

#include <QString>

class QMessageBox;
class QWidget;

// "0.1.0": the version the build was configured with.
QString grafion_version();
// "2026-12-07": the day the build was configured, or the day SOURCE_DATE_EPOCH names when it
// was set then, so that two builds of the same sources are identical.
QString grafion_build_date();

// The box's texts, for tests and for the box itself.
QString about_title();
QString about_text();

// Shows the box modally (through run_modal, so tests can stand in for the user).
void show_about_box(QWidget* parent);
