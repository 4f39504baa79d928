CREATE OR REPLACE PACKAGE BODY demo AS
  PROCEDURE p IS
    CURSOR c IS SELECT 1 FROM dual; -- END here
  BEGIN
    OPEN c;
    LOOP
      FETCH c INTO v;
      EXIT WHEN c%NOTFOUND;
      IF v > 1 THEN NULL; END IF;
    END LOOP;
    /* CLOSE c; */
  END p;
END demo;
