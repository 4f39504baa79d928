// The look of the window's lists and tree: fixed pitch on silver, so that trace columns line up.
#pragma once

class QAbstractItemView;

void SetListLook(QAbstractItemView* View);
