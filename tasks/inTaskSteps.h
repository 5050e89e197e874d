// Steps shared by the task manager and the task functions of the connection commands.
#pragma once
#include <string>

class inJob;
class vqFtpEngine;

// Connects the engine (or tests an open one), with status texts; stores what the login learned in
// the job's site when the engine is the job's own. Returns the connect's code.
unsigned long inConnectStep(inJob& job, vqFtpEngine* engine);
// Disconnects the job's engine; 0xFFFF without one.
unsigned long inDisconnectStep(inJob& job);
// The batch question asked when a task of the command failed and more remain; null for none.
const char* inBatchQuestion(int command);
// Progress helpers that do nothing without a progress handle.
void inStatus(inJob& job, const char* text);
void inStatus(inJob& job, const std::wstring& text);
// Text with carriage returns and line feeds removed.
std::string inOneLine(const char* text);
