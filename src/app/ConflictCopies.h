#pragma once

class TForm1;

// At login and when one appears: each conflict copy a sync tool kept beside
// the user's files is offered; its lines the lists lack are added (nothing is
// removed) and written at once. The copy is then renamed, merged or declined,
// never deleted.
void offerConflictCopies(TForm1& form1);
