QPushButton { font-weight: bold; }
