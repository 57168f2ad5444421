-- First records of the demo's data database: its users and a few members.
INSERT INTO USERS (LOGIN, PASSWORD, PROFILE) VALUES
  ('marie', 'bureau', 'Bureau'),
  ('paul', 'tresor', 'Trésorier');
INSERT INTO MEMBERS (LASTNAME, FIRSTNAME, CITY, BIRTHDATE, ACTIVE, EMAIL) VALUES
  ('Martin', 'Claire', 'Lyon', '1980-04-12', -1, 'claire.martin@example.org'),
  ('Durand', 'Hugo', 'Nantes', '1975-09-30', -1, 'hugo.durand@example.org'),
  ('Lefèvre', 'Inès', 'Lyon', '1992-01-05', 0, 'ines.lefevre@example.org');
INSERT INTO FEES (MEMBER, YEAR, AMOUNT, PAYMENT) VALUES
  (1, 2026, 20, 'Chèque'), (2, 2026, 20, 'Espèces'), (3, 2025, 15, 'Virement');
