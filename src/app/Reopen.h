#pragma once

class TForm1;

// Another program encrypted or decrypted the logged-in user's files (or
// encrypted them anew): asks for the password that opens them now, checked
// as the login checks it (and the key file it demands), opens them where
// they are, and goes on in their format with what was changed here merged
// in. false: cancelled; nothing changed.
bool reopenFiles(TForm1& form1);
