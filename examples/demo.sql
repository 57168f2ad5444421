-- The demo application: a small association's members and their fees.

INSERT INTO T_APPLICATION (PAPPLICATION, PNAME, PVALUE) VALUES
  (0, 'Title', 'Association Démo'),
  (0, 'Version', '1.0'),
  (0, 'Author', 'Équipe Démo'),
  (0, 'OrvPub', '0'),
  (1, 'ACTIVE', '1'),
  (1, 'USER_ADMIN', 'admin'),
  (1, 'PWD_ADMIN', 'YWRtaW4'),
  (1, 'USER_FORM', '3'),
  (1, 'USER_FIELD', '20'),
  (1, 'PWD_FIELD', '21'),
  (1, 'PROFIL_FIELD', '22'),
  (2, 'RUNTIME', '1'),
  (2, 'setup', '0'),
  (2, 'SkinSelectable', '0');

INSERT INTO T_FORM (PK_FORM, TABLE_NAME, CAPTION, CATEGORY, NORDER, AWIDTH, AHEIGHT, JS_ACTION) VALUES
  (1, 'MEMBERS', 'Adhérents', 'Association', 1, 520, 360, ''),
  (2, 'FEES', 'Cotisations', 'Association', 2, 460, 260, ''),
  (3, 'USERS', 'Utilisateurs', 'Administration', 1, 400, 220, '');

INSERT INTO T_FORM_FIELDS (PK_FORM_FIELD, FK_FORM, FIELD_NAME, FIELD_TYPE, CAPTION, NORDER,
                           ATOP, ALEFT, AWIDTH, AHEIGHT, TAB_ORDER, DEFAULT_VALUE, REQUIRED,
                           LIST_TYPE, "VALUES", AUNIQUE) VALUES
  (1, 1, 'LASTNAME',  1, 'Nom',            1, 30,  20, 200, 21, 1, NULL, -1, 0, NULL, 0),
  (2, 1, 'FIRSTNAME', 1, 'Prénom',         2, 30, 240, 200, 21, 2, NULL,  0, 0, NULL, 0),
  (3, 1, 'CITY',      5, 'Ville',          3, 80,  20, 200, 21, 3, NULL,  0, 1, NULL, 0),
  (4, 1, 'BIRTHDATE', 6, 'Date de naissance', 4, 80, 240, 120, 21, 4, NULL, 0, 0, NULL, 0),
  (5, 1, 'ACTIVE',    9, 'Membre actif',   5, 130, 20, 150, 21, 5, '-1',  0, 0, NULL, 0),
  (6, 1, 'NOTES',    15, 'Remarques',      6, 180, 20, 420, 80, 6, NULL,  0, 0, NULL, 0),
  (7, 1, 'EMAIL',     1, 'Courriel',       7, 130, 240, 200, 21, 7, NULL, 0, 0, NULL, -1),
  (8, 2, 'MEMBER',    2, 'Adhérent',       1, 30,  20, 120, 21, 1, NULL, -1, 0, NULL, 0),
  (9, 2, 'YEAR',      2, 'Année',          2, 30, 160, 80,  21, 2, NULL, -1, 0, NULL, 0),
  (10, 2, 'AMOUNT',   3, 'Montant',        3, 80,  20, 120, 21, 3, '20',  0, 0, NULL, 0),
  (11, 2, 'PAYMENT', 10, 'Règlement',      4, 80, 160, 200, 80, 4, NULL,  0, 0,
   'Espèces' || char(13) || char(10) || 'Chèque' || char(13) || char(10) || 'Virement', 0),
  (20, 3, 'LOGIN',    1, 'Identifiant',    1, 30,  20, 160, 21, 1, NULL, -1, 0, NULL, -1),
  (21, 3, 'PASSWORD', 4, 'Mot de passe',   2, 80,  20, 160, 21, 2, NULL, -1, 0, NULL, 0),
  (22, 3, 'PROFILE',  5, 'Profil',         3, 130, 20, 160, 21, 3, NULL, -1, 3, NULL, 0);

INSERT INTO T_VIEW (PK_VIEW, CAPTION, CATEGORY, NORDER, FVISIBLE, QUERY_SQL) VALUES
  (1, 'Liste des adhérents', 'Association', 3, -1,
   'SELECT ID, LASTNAME AS [Nom], FIRSTNAME AS [Prénom], CITY AS [Ville] FROM MEMBERS ORDER BY LASTNAME'),
  (2, 'Cotisations par année', 'Bilans', 1, -1,
   'SELECT YEAR AS [Année], COUNT(*) AS [Nombre], SUM(AMOUNT) AS [Total] FROM FEES GROUP BY YEAR');

INSERT INTO T_QSTAT (PK_QSTAT, CAPTION, CATEGORY, NORDER) VALUES
  (1, 'Adhérents par ville', 'Bilans', 2);

INSERT INTO T_QSTAT_FIELDS (PK_QSTAT_FIELD, FK_QSTAT, FK_FORM_FIELD, NORDER, SORT_MODE) VALUES
  (1, 1, 3, 1, 1),
  (2, 1, 5, 2, 1);

-- Two profiles: the office sees the members, the treasurer the fees and the figures.
INSERT INTO T_SECURITY_PROFIL (PK_PROFIL, PROFIL) VALUES (1, 'Bureau'), (2, 'Trésorier');
INSERT INTO T_SECURITY_FORM (FK_FORM, FK_PROFIL, CMD_UPDATE, CMD_INSERT, CMD_DELETE) VALUES
  (1, 1, -1, -1, 0),
  (2, 2, -1, -1, -1),
  (1, 2, 0, 0, 0);
INSERT INTO T_SECURITY_VIEW (FK_VIEW, FK_PROFIL) VALUES (1, 1), (2, 2);
INSERT INTO T_SECURITY_QSTAT (FK_QSTAT, FK_PROFIL) VALUES (1, 1), (1, 2);
