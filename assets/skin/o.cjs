/* Kestrelle's skin: only the push buttons are dressed, so the pictures' panes keep their own colours. */
QPushButton {
    font-weight: bold;
    color: #1f2a36;
    border: 1px solid #7a8ba0;
    border-radius: 5px;
    padding: 3px 10px;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fdfdfe, stop: 1 #dde5ee);
}

QPushButton:hover {
    border-color: #3d7cc9;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #e3eefa);
}

QPushButton:pressed {
    border-color: #2f64a6;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #c6d4e3, stop: 1 #e2e9f1);
    padding-top: 4px;
    padding-bottom: 2px;
}

QPushButton:focus {
    border-color: #3d7cc9;
}

QPushButton:disabled {
    color: #8a96a3;
    border-color: #b8c2cc;
    background-color: #eef1f4;
}
